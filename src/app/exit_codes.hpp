#pragma once
// kvimport's exit codes and the one exception that carries a message and a
// code up to main.
#include <stdexcept>
#include <string>

namespace kv::app {

namespace exitcode {
inline constexpr int Ok = 0;            // every chosen mail filed or deliberately skipped
inline constexpr int ImportFailed = 1;  // the import stopped, or the dialog was left without importing
inline constexpr int BadArguments = 2;  // an option names something that does not exist
inline constexpr int NoSettings = 3;    // settings or database unavailable
inline constexpr int NotAllFiled = 4;   // chosen mails that cannot be read were left out; the others were filed
}  // namespace exitcode

class CommandError : public std::runtime_error {
public:
    CommandError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

[[noreturn]] inline void BadArgument(const std::string& message) {
    throw CommandError(exitcode::BadArguments, message);
}

}  // namespace kv::app
