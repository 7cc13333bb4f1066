#pragma once
// Time and chance come through this port so tests are repeatable.
#include <string>

#include "support/value.hpp"

namespace kv {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local date and time, whole seconds.
    virtual DateTime Now() const = 0;
    // The date and time as the user's system shows them in its general
    // format: short date, a blank, long time.
    virtual std::string FormatGeneralDate(const DateTime& when) const = 0;
};

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A single-precision pseudo-random number r with 0 <= r < 1.
    virtual float Next() = 0;
};

// The process's own clock in the user's locale (the "C" locale's format
// where the platform's library has no named locales).
class SystemClock final : public Clock {
public:
    DateTime Now() const override;
    std::string FormatGeneralDate(const DateTime& when) const override;
};

// A pseudo-random source seeded from the time of its creation.
class SystemRandom final : public RandomSource {
public:
    SystemRandom();
    explicit SystemRandom(unsigned seed) : state_(seed) {}
    float Next() override;

private:
    unsigned long long state_;
};

}  // namespace kv
