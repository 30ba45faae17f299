#include "store/DateTime.h"

#include <gtest/gtest.h>

#include <random>

TEST(DateTime, MatchesTheCalendarOfTheDateValue)
{
    EXPECT_EQ(DateTime().days(), 0.0);
    EXPECT_EQ(DateTime::fromCivil(1899, 12, 30).days(), 0.0);
    EXPECT_EQ(DateTime::fromCivil(1900, 1, 1).days(), 2.0);
    EXPECT_EQ(DateTime::fromCivil(1970, 1, 1).days(), 25569.0);
    EXPECT_EQ(DateTime::fromCivil(2000, 1, 1, 12).days(), 36526.5);
    EXPECT_EQ(DateTime::fromCivil(2024, 3, 1).days() - DateTime::fromCivil(2024, 2, 28).days(), 2);
    EXPECT_EQ(DateTime::fromCivil(2026, 13, 1), DateTime::fromCivil(2027, 1, 1));
    EXPECT_EQ(DateTime::fromCivil(2026, 0, 1), DateTime::fromCivil(2025, 12, 1));
}

TEST(DateTime, FormatsWithEnglishNames)
{
    const DateTime visit = DateTime::fromCivil(2026, 12, 7, 9, 5, 3);
    EXPECT_EQ(visit.format("%d/%m/%y"), "07/12/26");
    EXPECT_EQ(visit.format("%A %d %B, %Y"), "Monday 07 December, 2026");
    EXPECT_EQ(visit.format("%H:%M:%S %j"), "09:05:03 341");
    EXPECT_EQ(DateTime(1e9).format("%d/%m/%y"), "");
    EXPECT_EQ(DateTime(std::nan("")).toIso(), "");
}

TEST(DateTime, StorageTextRoundTripsEverySecond)
{
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        const int y = std::uniform_int_distribution(1, 9999)(random);
        const int mo = std::uniform_int_distribution(1, 12)(random);
        const int d = std::uniform_int_distribution(1, 28)(random);
        const int h = std::uniform_int_distribution(0, 23)(random);
        const int mi = std::uniform_int_distribution(0, 59)(random);
        const int s = std::uniform_int_distribution(0, 59)(random);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
        const DateTime value = DateTime::fromCivil(y, mo, d, h, mi, s);
        ASSERT_EQ(value.toIso(), expected);
        DateTime back;
        ASSERT_TRUE(DateTime::fromIso(expected, back));
        ASSERT_EQ(back.toIso(), expected);
    }
}

TEST(DateTime, RefusesStorageTextThatIsNoDate)
{
    DateTime value(5.0);
    for (const char* text : {"", "2023-02-29 00:00:00", "2023-13-01 00:00:00", "2023-01-01 24:00:00",
                             "2023-1-01 00:00:00", "2023-01-01 00:00:00x", " 2023-01-01 00:00:0",
                             "2023-01-01"})
        EXPECT_FALSE(DateTime::fromIso(text, value)) << text;
    EXPECT_EQ(value.days(), 5.0);
    EXPECT_TRUE(DateTime::fromIso("2024-02-29 23:59:59", value));
}
