#include "token/compact_jws.hpp"

#include "token/base64url.hpp"

namespace kv::token {

namespace {

std::string Decoded(std::string_view part, const char* what) {
    auto bytes = DecodeBase64Url(part);
    if (!bytes) throw Refused{Refusal::Malformed, std::string(what) + " is not base64url"};
    return *std::move(bytes);
}

nlohmann::json JsonObject(std::string_view part, const char* what) {
    const std::string text = Decoded(part, what);
    auto json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object()) throw Refused{Refusal::Malformed, std::string(what) + " is not a JSON object"};
    return json;
}

}  // namespace

CompactJws SplitJws(std::string_view token) {
    const auto first = token.find('.');
    const auto second = first == std::string_view::npos ? first : token.find('.', first + 1);
    if (second == std::string_view::npos || token.find('.', second + 1) != std::string_view::npos)
        throw Refused{Refusal::Malformed, "not three dot-separated parts"};
    CompactJws jws;
    jws.header = JsonObject(token.substr(0, first), "header");
    jws.payload = JsonObject(token.substr(first + 1, second - first - 1), "payload");
    jws.signedText = token.substr(0, second);
    jws.signature = Decoded(token.substr(second + 1), "signature");
    return jws;
}

}  // namespace kv::token
