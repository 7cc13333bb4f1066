#pragma once
// Errors are exceptions carrying number, source and description, the way the
// add-in reports them to the user and the log.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kv {

class Error : public std::runtime_error {
public:
    Error(std::int32_t number, std::string source, std::string description);

    std::int32_t Number() const { return number_; }
    const std::string& Source() const { return source_; }
    const std::string& Description() const { return description_; }

private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// Error numbers the core raises itself.
namespace errnum {
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t InvalidArgument = 5;
inline constexpr std::int32_t Unexpected = 440;  // a failure from outside the core, wrapped
}  // namespace errnum

// Turns whatever was thrown into an Error, so every trap sees number, source
// and description. Call only from inside a catch block.
Error CurrentError();

}  // namespace kv
