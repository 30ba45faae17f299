// A row's versions as its entries in the audit trail tell them: each entry holds the row as the
// change found it, so each version is read from the next entry, or from the row as it is now.

#include "records/RecordVersions.h"

#include <gtest/gtest.h>

namespace {

AuditEntry entry(const std::string& action, const std::string& details) {
    AuditEntry made;
    made.action = action;
    made.details = details;
    return made;
}

using Changes = std::vector<std::string>; // "field: before -> after"

struct Story {
    const char* name;
    std::vector<AuditEntry> entries;
    std::string now;
    std::vector<std::string> actions;   // of each version, oldest first
    std::vector<std::string> lastNames; // each version's "last" field
    Changes lastChanges;                // of the newest version
};

Changes told(const RecordVersions::Version& version) {
    Changes changes;
    for (const auto& change : version.changes)
        changes.push_back(change.field + ": " + change.before + " -> " + change.after);
    return changes;
}

class RecordVersionsTest : public testing::TestWithParam<Story> {};

TEST_P(RecordVersionsTest, EachVersionIsTheRowAsTheNextChangeFoundIt) {
    const Story& story = GetParam();
    const auto versions = RecordVersions::of(story.entries, story.now);
    std::vector<std::string> actions, lastNames;
    for (const auto& version : versions) {
        actions.push_back(version.entry.action);
        lastNames.push_back(version.row.contains("last") ? version.row.at("last") : "");
    }
    EXPECT_EQ(actions, story.actions);
    EXPECT_EQ(lastNames, story.lastNames);
    EXPECT_EQ(versions.empty() ? Changes{} : told(versions.back()), story.lastChanges);
}

INSTANTIATE_TEST_SUITE_P(
    Stories, RecordVersionsTest,
    testing::Values(
        Story{"made_then_changed_twice",
              {entry("insert", R"({"id":7,"last":"Lee","phone":null})"),
               entry("update", R"({"id":7,"last":"Lee","phone":null})"),
               entry("update", R"({"id":7,"last":"Leigh","phone":null})")},
              R"({"id":7,"last":"Leigh","phone":"555"})",
              {"insert", "update", "update"},
              {"Lee", "Leigh", "Leigh"},
              {"phone:  -> 555"}},
        Story{"older_than_the_trail",
              {entry("update", R"({"id":7,"last":"Lee"})")},
              R"({"id":7,"last":"Moss"})",
              {"", "update"},
              {"Lee", "Moss"},
              {"last: Lee -> Moss"}},
        Story{"changed_then_deleted",
              {entry("insert", R"({"id":7,"last":"Lee"})"),
               entry("update", R"({"id":7,"last":"Lee"})"),
               entry("delete", R"({"id":7,"last":"Moss"})")},
              "",
              {"insert", "update", "delete"},
              {"Lee", "Moss", "Moss"},
              {}},
        Story{"no_entries", {}, R"({"id":7})", {}, {}, {}}),
    [](const testing::TestParamInfo<Story>& info) { return std::string(info.param.name); });

TEST(RecordVersionsFields, NumbersAndNullsReadAsTexts) {
    EXPECT_EQ(RecordVersions::fields(R"({"a":1,"b":2.5,"c":null,"d":"x"})"),
              (std::map<std::string, std::string>{{"a", "1"}, {"b", "2.5"}, {"c", ""}, {"d", "x"}}));
    EXPECT_TRUE(RecordVersions::fields("not json").empty());
}

} // namespace
