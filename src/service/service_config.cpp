#include "service/service_config.hpp"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/error.hpp"

namespace kv::service {

namespace {

using nlohmann::json;

[[noreturn]] void Refuse(const std::string& what) {
    throw Error(errnum::InvalidArgument, "kvfiled", "configuration: " + what);
}

template <class T>
T Get(const json& object, const char* key, T fallback) {
    if (!object.contains(key)) return fallback;
    try {
        return object.at(key).get<T>();
    } catch (const json::exception&) {
        Refuse(std::string("\"") + key + "\" has the wrong type");
    }
}

std::filesystem::path PathOf(const json& object, const char* key, const std::filesystem::path& base) {
    const std::string text = Get<std::string>(object, key, "");
    if (text.empty()) return {};
    std::filesystem::path path(text);
    return path.is_absolute() ? path : base / path;
}

std::vector<std::string> TextList(const json& object, const char* key) {
    if (!object.contains(key)) return {};
    const json& value = object.at(key);
    if (value.is_string()) return {value.get<std::string>()};
    return Get<std::vector<std::string>>(object, key, {});
}

}  // namespace

ServiceConfig ParseServiceConfig(const std::string& text, const std::filesystem::path& base) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception& e) {
        Refuse(std::string("not JSON: ") + e.what());
    }
    if (!root.is_object()) Refuse("not a JSON object");
    ServiceConfig config;
    config.address = Get<std::string>(root, "address", config.address);
    config.port = Get<int>(root, "port", config.port);
    if (config.port < 0 || config.port > 65535) Refuse("\"port\" must be 0 to 65535");
    config.certificate = PathOf(root, "certificate", base);
    config.privateKey = PathOf(root, "privateKey", base);
    if (config.certificate.empty() != config.privateKey.empty())
        Refuse("\"certificate\" and \"privateKey\" go together");
    config.registryFile = PathOf(root, "registry", base);
    config.connectionText = Get<std::string>(root, "connection", "");
    config.odbcDriver = Get<std::string>(root, "odbcDriver", "");
    if (config.registryFile.empty() == config.connectionText.empty())
        Refuse("name the database by exactly one of \"registry\" and \"connection\"");
    config.stateDir = PathOf(root, "stateDir", base);
    if (config.stateDir.empty()) Refuse("\"stateDir\" is missing");
    config.maxUploadBytes = Get<std::size_t>(root, "maxUploadBytes", config.maxUploadBytes);
    if (config.maxUploadBytes == 0) Refuse("\"maxUploadBytes\" must be more than 0");
    config.threads = Get<int>(root, "threads", config.threads);
    if (config.threads < 1 || config.threads > 256) Refuse("\"threads\" must be 1 to 256");

    const json token = root.value("token", json::object());
    if (!token.is_object()) Refuse("\"token\" must be an object");
    config.token.audiences = TextList(token, "audience");
    config.token.issuerTemplate = Get<std::string>(token, "issuer", config.token.issuerTemplate);
    config.token.tenants = TextList(token, "tenants");
    config.token.jwksFile = PathOf(token, "jwksFile", base).string();
    config.token.jwksUrl = Get<std::string>(token, "jwksUrl", "");
    if (config.token.audiences.empty()) Refuse("\"token\".\"audience\" is missing");
    if (config.token.jwksFile.empty() == config.token.jwksUrl.empty())
        Refuse("name the signing keys by exactly one of \"jwksFile\" and \"jwksUrl\"");

    config.userMap = PathOf(root, "userMap", base);
    if (config.userMap.empty()) Refuse("\"userMap\" is missing");
    return config;
}

ServiceConfig LoadServiceConfig(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw Error(errnum::InvalidArgument, "kvfiled", "configuration: cannot read " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return ParseServiceConfig(text.str(), std::filesystem::absolute(file).parent_path());
}

}  // namespace kv::service
