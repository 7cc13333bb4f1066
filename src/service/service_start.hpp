#pragma once
// From the configuration to a running service's parts: the database
// settings read once, the state folder made, the server's options.
#include "service/filing_server.hpp"
#include "service/service_config.hpp"

namespace kv::service {

// kv::Error when the settings file names no database or the state folder
// cannot be made.
ServiceWorld MakeServiceWorld(const ServiceConfig& config);
ServerOptions MakeServerOptions(const ServiceConfig& config, const std::filesystem::path& webRoot);

}  // namespace kv::service
