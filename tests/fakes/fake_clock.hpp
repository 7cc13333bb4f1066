#pragma once
// A clock and a random source that say what the test tells them.
#include <cstdio>
#include <deque>

#include "ports/clock.hpp"

namespace kv::fakes {

class FakeClock final : public Clock {
public:
    DateTime now{2024, 3, 5, 14, 7, 9};
    DateTime Now() const override { return now; }
    // A fixed, unambiguous format so tests can compare whole lines.
    std::string FormatGeneralDate(const DateTime& when) const override {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%02d-%02d-%04d %02d:%02d:%02d", when.day, when.month, when.year,
                      when.hour, when.minute, when.second);
        return buffer;
    }
};

class FakeRandom final : public RandomSource {
public:
    std::deque<float> values;
    float fallback = 0.5f;
    float Next() override {
        if (values.empty()) return fallback;
        float v = values.front();
        values.pop_front();
        return v;
    }
};

}  // namespace kv::fakes
