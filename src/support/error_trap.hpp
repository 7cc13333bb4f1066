#pragma once
// The three kinds of error trap the add-in uses:
//  - ReportAndStop: one trap around a whole handler; the failure is handed to
//    onError (which shows or logs it) and the handler ends.
//  - IgnoreStep: this step may fail; go on with the next one.
//  - TrapToFalse: the routine answers false instead of failing.
// Step numbers of long routines are plain locals the onError callback reads.
#include <functional>

#include "support/error.hpp"

namespace kv {

// Returns true when body ran to its end, false when onError was called.
template <class Body, class OnError>
bool ReportAndStop(Body&& body, OnError&& onError) {
    try {
        body();
        return true;
    } catch (...) {
        onError(CurrentError());
        return false;
    }
}

template <class Body>
void IgnoreStep(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

template <class Body>
bool TrapToFalse(Body&& body) noexcept {
    try {
        return static_cast<bool>(body());
    } catch (...) {
        return false;
    }
}

}  // namespace kv
