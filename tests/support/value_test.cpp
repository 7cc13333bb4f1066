#include "support/value.hpp"

#include <gtest/gtest.h>

#include "support/error.hpp"
#include "support/error_trap.hpp"

using kv::DateTime;
using kv::Value;

TEST(Value, KeepsEmptyAndNullApart) {
    EXPECT_TRUE(Value().IsEmpty());
    EXPECT_TRUE(Value::MakeNull().IsNull());
    EXPECT_NE(Value(), Value::MakeNull());
    EXPECT_EQ(Value::MakeNull().ToText(), "");
}

TEST(Value, ConvertsToIntOrFailsClearly) {
    EXPECT_EQ(Value(" 42 ").ToInt(), 42);
    EXPECT_EQ(Value(std::int32_t{-7}).ToInt(), -7);
    EXPECT_EQ(Value().ToInt(), 0);
    EXPECT_THROW(Value("12a").ToInt(), kv::Error);
    EXPECT_THROW(Value("2147483648").ToInt(), kv::Error);
    EXPECT_THROW(Value("x").AsInt(), kv::Error);
    EXPECT_EQ(Value(2.5).AsDouble(), 2.5);
    // Numbers from the database round to the nearest whole number, up to either end of the range.
    EXPECT_EQ(Value(2147483647.0).ToInt(), 2147483647);
    EXPECT_EQ(Value(-2147483648.0).ToInt(), -2147483647 - 1);
    EXPECT_EQ(Value(2.5).ToInt(), 2);
    EXPECT_EQ(Value(-3.6).ToInt(), -4);
    for (double beyond : {2147483647.5, -2147483649.0, 1e20}) {
        try {
            Value(beyond).ToInt();
            ADD_FAILURE() << beyond;
        } catch (const kv::Error& e) {
            EXPECT_EQ(std::to_string(e.Number()) + " " + e.Source() + ": " + e.Description(), "6 Value: Overflow");
        }
    }
}

TEST(DateTimeText, ParsesAndPrintsIso) {
    DateTime dt = DateTime::FromIso("2024-03-05 14:07:09");
    EXPECT_EQ(dt.ToIso(), "2024-03-05 14:07:09");
    EXPECT_EQ(DateTime::FromIso("2024-03-05T14:07:09.250").second, 9);
    for (const char* date : {"2024-02-29 00:00:00", "2000-02-29 00:00:00", "0001-01-01 00:00:00", "9999-12-31 23:59:59",
                             "2024-03-31 19:09:59", "2023-08-31 09:59:00"})
        EXPECT_EQ(DateTime::FromIso(date).ToIso(), date);
    // Each month's last day is a date, the day after it none.
    const int lastDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
        EXPECT_TRUE((DateTime{2023, month, lastDays[month - 1], 0, 0, 0}.IsValid())) << month;
        EXPECT_FALSE((DateTime{2023, month, lastDays[month - 1] + 1, 0, 0, 0}.IsValid())) << month;
    }
    EXPECT_EQ(DateTime::FromIso("2024-12-31").ToIso(), "2024-12-31 00:00:00");
    for (const char* bad : {"",
                            "2023-02-29 00:00:00",
                            "1900-02-29",
                            "2024-13-01",
                            "2024-00-10",
                            "2024-01-00",
                            "0000-01-01",
                            "2024-1-05",
                            "2024/03/05",
                            "2024-03-05 14:07",
                            "2024-03-05X14:07:09",
                            "2024-03-05 24:00:00",
                            "2024-03-05 14:60:00",
                            "2024-03-05 14:07:60",
                            "2024-03-05 14:07:09Z",
                            "2024-03-05 14-07-09",
                            "abcd-03-05",
                            "2024-03-1a",
                            "2024-03-05 ",
                            "2024-02-30",
                            "2024-12-32"}) {
        try {
            DateTime::FromIso(bad);
            ADD_FAILURE() << bad;
        } catch (const kv::Error& e) {
            EXPECT_EQ(e.Source() + ": " + e.Description(), std::string("DateTime: Not a date and time: '") + bad + "'");
        }
    }
}

TEST(ErrorTraps, EachKindBehavesAsNamed) {
    int reported = 0;
    EXPECT_FALSE(kv::ReportAndStop([] { throw kv::Error(26001, "src", "desc"); },
                                   [&](const kv::Error& e) { reported = e.Number(); }));
    EXPECT_EQ(reported, 26001);
    EXPECT_FALSE(kv::ReportAndStop([] { throw std::runtime_error("boom"); },
                                   [&](const kv::Error& e) { EXPECT_EQ(e.Description(), "boom"); }));
    EXPECT_FALSE(kv::TrapToFalse([]() -> bool { throw kv::Error(1, "", ""); }));
    EXPECT_TRUE(kv::TrapToFalse([] { return true; }));
}
