#pragma once
// Steps whose failure the add-in drops on purpose still leave a line in the
// log at level 1, so that raising LogLevel shows why a toolbar or button is
// missing. Nothing is shown to the user.
#include <memory>
#include <string>
#include <string_view>

#include "support/error.hpp"
#include "support/file_log.hpp"

namespace kv {

// "where: description (number)" as an error line of level 1.
void LogDroppedError(FileLog& log, std::string_view where, const Error& error) noexcept;

// Runs body; a failure is logged and dropped, and the caller goes on.
template <class Body>
void IgnoreStepLogged(FileLog& log, std::string_view where, Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        LogDroppedError(log, where, CurrentError());
    }
}

// The object, or the error an empty object variable raises when it is used.
template <class T>
T& Need(const std::shared_ptr<T>& object, std::string_view what) {
    if (!object) throw Error(91, "KVOutlookAddin", "Object variable not set: " + std::string(what));
    return *object;
}

}  // namespace kv
