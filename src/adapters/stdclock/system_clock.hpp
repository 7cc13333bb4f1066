#pragma once
// Time and chance from the C++ library, for the front ends: the process's
// clock in the user's locale, and a pseudo-random source.
#include "ports/clock.hpp"

namespace kv {

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
