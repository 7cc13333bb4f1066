#include <stdexcept>

#include <nlohmann/json.hpp>

#include "token/base64url.hpp"
#include "token/key_source.hpp"

namespace kv::token {

namespace {

bool IsTextOrAbsent(const nlohmann::json& key, const char* name, std::string_view wanted) {
    auto member = key.find(name);
    return member == key.end() || (member->is_string() && member->get_ref<const std::string&>() == wanted);
}

std::string Text(const nlohmann::json& key, const char* name) {
    auto member = key.find(name);
    return member != key.end() && member->is_string() ? member->get<std::string>() : std::string();
}

// The key for RS256 signatures this entry describes, or null for an entry
// that is not one (an encryption key, another type, a broken modulus).
std::shared_ptr<const PublicKey> SigningKey(const nlohmann::json& key) {
    if (!key.is_object() || Text(key, "kty") != "RSA" || !IsTextOrAbsent(key, "use", "sig") ||
        !IsTextOrAbsent(key, "alg", "RS256"))
        return nullptr;
    auto modulus = DecodeBase64Url(Text(key, "n"));
    auto exponent = DecodeBase64Url(Text(key, "e"));
    if (!modulus || !exponent) return nullptr;
    try {
        return PublicKey::FromRsa(*modulus, *exponent);
    } catch (const std::runtime_error&) {
        return nullptr;
    }
}

}  // namespace

KeySet ParseJwks(std::string_view json) {
    const auto document = nlohmann::json::parse(json, nullptr, false);
    if (!document.is_object() || !document.contains("keys") || !document["keys"].is_array())
        throw std::runtime_error("not a JWKS document (no \"keys\" array)");
    KeySet keys;
    for (const auto& entry : document["keys"]) {
        const std::string kid = entry.is_object() ? Text(entry, "kid") : std::string();
        if (kid.empty()) continue;
        if (auto key = SigningKey(entry)) keys.emplace(kid, std::move(key));
    }
    if (keys.empty()) throw std::runtime_error("JWKS document without a usable RSA signing key");
    return keys;
}

}  // namespace kv::token
