#pragma once
// kvfiled --demo DIR: the demo Korvane world kvimport's demo makes (SQLite,
// document folders), with what a service needs besides: a self-signed TLS
// certificate, a local signing key whose JWKS the service trusts, a user
// map of the demo's two users and the configuration naming all of it.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "service/service_config.hpp"

namespace kv::service {

struct DemoUser {
    std::int32_t userRessId;
    std::string objectId;
    std::string token;  // valid for tokenLifetime from the world's making
};

struct DemoWorld {
    std::filesystem::path configFile;
    ServiceConfig config;
    std::vector<DemoUser> users;
};

inline constexpr std::chrono::hours kDemoTokenLifetime{8};

// DIR must be new or empty (kv::Error otherwise). port 0 takes a free one.
DemoWorld MakeDemoWorld(const std::filesystem::path& dir, int port);

}  // namespace kv::service
