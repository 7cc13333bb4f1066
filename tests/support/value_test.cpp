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
    EXPECT_THROW(Value(1e20).ToInt(), kv::Error);
    EXPECT_THROW(Value("x").AsInt(), kv::Error);
}

TEST(DateTimeText, ParsesAndPrintsIso) {
    DateTime dt = DateTime::FromIso("2024-03-05 14:07:09");
    EXPECT_EQ(dt.ToIso(), "2024-03-05 14:07:09");
    EXPECT_EQ(DateTime::FromIso("2024-03-05T14:07:09.250").second, 9);
    EXPECT_EQ(DateTime::FromIso("2024-02-29").ToIso(), "2024-02-29 00:00:00");
    EXPECT_THROW(DateTime::FromIso("2023-02-29 00:00:00"), kv::Error);
    EXPECT_THROW(DateTime::FromIso("2024-03-05 24:00:00"), kv::Error);
    EXPECT_THROW(DateTime::FromIso(""), kv::Error);
}

TEST(ErrorTraps, EachKindBehavesAsNamed) {
    int reported = 0;
    EXPECT_FALSE(kv::ReportAndStop([] { throw kv::Error(26001, "src", "desc"); },
                                   [&](const kv::Error& e) { reported = e.Number(); }));
    EXPECT_EQ(reported, 26001);
    EXPECT_FALSE(kv::ReportAndStop([] { throw std::runtime_error("boom"); },
                                   [&](const kv::Error& e) { EXPECT_EQ(e.Description(), "boom"); }));
    int after = 0;
    kv::IgnoreStep([] { throw 1; });
    ++after;
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(kv::TrapToFalse([]() -> bool { throw kv::Error(1, "", ""); }));
    EXPECT_TRUE(kv::TrapToFalse([] { return true; }));
}
