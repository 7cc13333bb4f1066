#pragma once
// A compact JWS taken apart: header.payload.signature, each base64url, the
// header and the payload JSON objects.
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "token/verifier.hpp"

namespace kv::token {

// How a check refuses a token inside the verifier; Verify turns it into its Verdict.
struct Refused {
    Refusal refusal;
    std::string reason;
};

struct CompactJws {
    nlohmann::json header;
    nlohmann::json payload;
    std::string_view signedText;  // "header.payload", what the signature covers
    std::string signature;
};

// Throws Refused (Malformed) for anything but three base64url parts whose
// first two are JSON objects. An empty signature passes here, so that an
// unsigned token ("alg":"none") is refused for its algorithm.
CompactJws SplitJws(std::string_view token);

}  // namespace kv::token
