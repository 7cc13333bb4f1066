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

}  // namespace kv
