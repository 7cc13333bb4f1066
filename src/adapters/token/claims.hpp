#pragma once
// The claims of a token whose signature holds, checked against the policy.
#include <chrono>

#include <nlohmann/json.hpp>

#include "token/verifier.hpp"

namespace kv::token {

// The identity the claims name, or throws Refused saying which check failed.
Identity CheckClaims(const nlohmann::json& claims, const Policy& policy, std::chrono::system_clock::time_point now);

}  // namespace kv::token
