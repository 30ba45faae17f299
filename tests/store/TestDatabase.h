#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// Each test runs in a fresh temporary directory holding a copy of the built empty
// database, which is where the store looks for it.
class TestDatabase : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs SQL on the test database through a connection of its own; each row's columns
    // joined with '|'.
    static std::vector<std::string> query(const std::string& sql);
    static long long count(const std::string& table, const std::string& where = "1");
    // Adds a patient through the store and gives its number.
    static std::string addPatient(const std::string& firstName = "Ann",
                                  const std::string& lastName = "Lee");

    std::filesystem::path m_dir;

private:
    std::filesystem::path m_previous;
};
