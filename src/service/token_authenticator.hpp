#pragma once
// The authenticator of a normal start: the bearer token verified against the
// configured policy and signing keys, its identity looked up in the user map.
#include <memory>

#include "service/authenticator.hpp"
#include "service/service_config.hpp"

namespace kv::service {

// Reads the signing keys and the user map now; kv::Error when either
// cannot be read.
std::shared_ptr<const Authenticator> MakeTokenAuthenticator(const ServiceConfig& config);

}  // namespace kv::service
