#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

struct pg_conn;

// The engines the store's tests run on.
enum class TestEngine { File, Server };

// Each test works on fresh empty records: a copy of the built empty database in a fresh
// temporary directory, which is where the store looks for it, or Medora's tables set up anew
// in a schema of their own on the test server, which MEDORA_DATABASE then names. The current
// directory is the temporary one either way.
class TestDatabase : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    virtual TestEngine engine() const { return TestEngine::File; }
    bool onServer() const { return engine() == TestEngine::Server; }

    // Runs SQL on the test records through a connection of its own, with every right; each
    // row's columns joined with '|'.
    std::vector<std::string> query(const std::string& sql);
    long long count(const std::string& table, const std::string& where = "1 = 1");
    // Adds a patient through the store and gives its number.
    static std::string addPatient(const std::string& firstName = "Ann",
                                  const std::string& lastName = "Lee");

    // Every row of every table, or the file's bytes: equal as long as nothing was written.
    std::string snapshot();
    // Empty records again, as a test starts with.
    void resetRecords();
    // Takes the records away: the file is removed, or the store is pointed at a database that
    // the server does not have.
    void removeRecords();
    bool recordsExist();
    // The store's connection string on the server, for another login.
    std::string serverConnection(const std::string& user) const;
    const std::string& serverFolder() const { return m_serverFolder; }

    std::filesystem::path m_dir;

private:
    void setUpServerRecords();
    std::vector<std::string> queryServer(const std::string& sql);

    std::filesystem::path m_previous;
    std::string m_serverFolder;
    std::string m_schema;
    pg_conn* m_admin = nullptr;
};

// The store's tests, each run once on every engine.
class StoreTest : public TestDatabase, public ::testing::WithParamInterface<TestEngine>
{
protected:
    TestEngine engine() const override { return GetParam(); }
};

std::string engineName(const ::testing::TestParamInfo<TestEngine>& engine);

#define ON_BOTH_ENGINES(Fixture)                                                                   \
    INSTANTIATE_TEST_SUITE_P(Engines, Fixture,                                                     \
                             ::testing::Values(TestEngine::File, TestEngine::Server), engineName)
