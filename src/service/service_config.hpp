#pragma once
// kvfiled's configuration, read from a JSON file: where it listens, its TLS
// certificate, the Korvane database, the request-size limit, the token
// policy and the user map. Relative paths are taken from the file's folder.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kv::service {

struct TokenPolicyConfig {
    std::vector<std::string> audiences;  // the service's application id (and its api:// form)
    std::string issuerTemplate = "https://login.microsoftonline.com/{tenantid}/v2.0";
    std::vector<std::string> tenants;  // none: every token is refused
    std::string jwksFile;              // one of the two
    std::string jwksUrl;
};

struct ServiceConfig {
    std::string address = "127.0.0.1";
    int port = 8443;  // 0: any free port, told at start
    std::filesystem::path certificate, privateKey;
    // The database as the add-in finds it: "DBCn" (and "OdbcDriver") of a
    // settings file, or the connection text itself.
    std::filesystem::path registryFile;
    std::string connectionText;
    std::string odbcDriver;
    // Where each user's remembered choices are kept (a .reg file per user).
    std::filesystem::path stateDir;
    std::size_t maxUploadBytes = 25u << 20;
    int threads = 8;
    TokenPolicyConfig token;
    // Which Korvane user each signed-in identity is: "tid oid UserRessId" a line.
    std::filesystem::path userMap;
};

// Reads and checks the file; kv::Error naming what is wrong.
ServiceConfig LoadServiceConfig(const std::filesystem::path& file);
// The same from JSON text; relative paths are taken from base.
ServiceConfig ParseServiceConfig(const std::string& json, const std::filesystem::path& base);

}  // namespace kv::service
