// Access tokens as the filing service checks them. The first byte picks what
// the rest is:
//   0: a token as a client sends it. No input can carry a signature of our
//      key, so none may be accepted; every base64url part that decodes
//      encodes back to itself (one encoding per byte string).
//   1: a header and claims (JSON, a line apart), signed with our key whatever
//      the header says: the claim checks themselves are fuzzed, and an
//      accepted token must really satisfy the policy.
//   2: a JWKS document: read or refused with std::runtime_error, nothing else.
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "token/base64url.hpp"
#include "token/key_source.hpp"
#include "token/test_signer.hpp"
#include "token/verifier.hpp"

namespace {

using namespace std::chrono_literals;
using kv::token::Verdict;

const std::chrono::system_clock::time_point kNow{std::chrono::seconds(1'800'000'000)};

kv::token::Policy FuzzPolicy() {
    kv::token::Policy policy;
    policy.audiences = {"api://kv/app", "app"};
    policy.allowedTenants = {"tenant-a"};
    policy.skew = 60s;
    return policy;
}

class SignerKeys final : public kv::token::KeySource {
public:
    explicit SignerKeys(const kv::token::TestSigner& signer) : keys_(kv::token::ParseJwks(signer.Jwks())) {}
    std::shared_ptr<const kv::token::PublicKey> Find(std::string_view kid) override {
        auto key = keys_.find(kid);
        return key == keys_.end() ? nullptr : key->second;
    }

private:
    kv::token::KeySet keys_;
};

struct World {
    kv::token::TestSigner signer{"fuzz-key"};
    kv::token::Verifier verifier{FuzzPolicy(), std::make_shared<SignerKeys>(signer)};
};

World& TheWorld() {
    static World world;
    return world;
}

void CheckClientToken(std::string_view token) {
    if (TheWorld().verifier.Verify(token, kNow)) __builtin_trap();  // a forged token got in
    while (true) {
        const auto dot = token.find('.');
        const auto part = token.substr(0, dot);
        if (auto bytes = kv::token::DecodeBase64Url(part); bytes && kv::token::EncodeBase64Url(*bytes) != part)
            __builtin_trap();
        if (dot == std::string_view::npos) break;
        token.remove_prefix(dot + 1);
    }
}

bool HasText(const nlohmann::json& object, const char* name, const std::string& wanted) {
    auto member = object.find(name);
    return member != object.end() && member->is_string() && member->get_ref<const std::string&>() == wanted;
}

void CheckSignedClaims(std::string_view text) {
    const auto line = text.find('\n');
    if (line == std::string_view::npos) return;
    const auto header = nlohmann::json::parse(text.substr(0, line), nullptr, false);
    const auto claims = nlohmann::json::parse(text.substr(line + 1), nullptr, false);
    if (!header.is_object() || !claims.is_object()) return;
    const World& world = TheWorld();
    const Verdict verdict = world.verifier.Verify(world.signer.Sign(header, claims), kNow);
    if (!verdict) {
        if (verdict.refusal == kv::token::Refusal::None) __builtin_trap();
        return;
    }
    // Accepted: what the policy demands is there, and the identity is the token's.
    const auto exp = claims.find("exp");
    if (!HasText(header, "alg", "RS256") || !HasText(header, "kid", world.signer.Kid()) ||
        !HasText(claims, "tid", "tenant-a") ||
        !HasText(claims, "iss", kv::token::IssuerFor(FuzzPolicy(), "tenant-a")) || exp == claims.end() ||
        !exp->is_number() || exp->get<double>() + 60 < 1'800'000'000.0 || verdict.identity->tenantId != "tenant-a" ||
        !HasText(claims, "oid", verdict.identity->objectId))
        __builtin_trap();
}

void CheckJwks(std::string_view text) {
    try {
        kv::token::ParseJwks(text);
    } catch (const std::runtime_error&) {}
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0: CheckClientToken(rest); break;
    case 1: CheckSignedClaims(rest); break;
    default: CheckJwks(rest); break;
    }
    return 0;
}
