#pragma once
// Who is calling: the bearer token of a request checked and its identity
// mapped to a Korvane user.
#include <cstdint>
#include <string>
#include <string_view>

namespace kv::service {

struct Caller {
    std::int32_t userRessId = 0;
    std::string identity;  // tenant/object id, for the log
};

struct AuthResult {
    enum class Outcome { Accepted, BadToken, Unmapped };
    Outcome outcome = Outcome::BadToken;
    Caller caller;       // Accepted only
    std::string reason;  // why not, for the log
};

class Authenticator {
public:
    virtual ~Authenticator() = default;
    // token: the text after "Bearer "; "" when the request had none.
    virtual AuthResult Authenticate(std::string_view token) const = 0;
};

}  // namespace kv::service
