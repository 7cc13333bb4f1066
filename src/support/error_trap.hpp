#pragma once
// The kinds of error trap the add-in uses:
//  - ReportAndStop: one trap around a whole handler; the failure is handed to
//    onError (which shows or logs it) and the handler ends.
//  - IgnoreStepLogged (dropped_error.hpp): this step may fail; the failure is
//    logged and the caller goes on with the next one. Nothing is dropped
//    without a line in the log.
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
bool TrapToFalse(Body&& body) noexcept {
    try {
        return static_cast<bool>(body());
    } catch (...) {
        return false;
    }
}

}  // namespace kv
