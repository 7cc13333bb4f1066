#include "token/verifier.hpp"

#include "token/claims.hpp"
#include "token/compact_jws.hpp"

namespace kv::token {

namespace {

// Only RS256 is ours: "none" and HS256 (an HMAC keyed with our public key)
// would let anyone sign. Keys come only from the key source; a header's
// jku, jwk or x5u is never followed.
std::shared_ptr<const PublicKey> SigningKey(const nlohmann::json& header, KeySource& keys) {
    auto alg = header.find("alg");
    if (alg == header.end() || !alg->is_string() || alg->get_ref<const std::string&>() != "RS256")
        throw Refused{Refusal::Algorithm,
                      "alg " + (alg == header.end() ? std::string("missing") : alg->dump()) + " is not RS256"};
    // No extension is understood here, so one marked critical refuses the token.
    if (header.contains("crit")) throw Refused{Refusal::Malformed, "critical header extensions"};
    auto kid = header.find("kid");
    if (kid == header.end() || !kid->is_string()) throw Refused{Refusal::UnknownKey, "kid missing"};
    auto key = keys.Find(kid->get_ref<const std::string&>());
    if (!key) throw Refused{Refusal::UnknownKey, "no trusted key " + kid->dump()};
    return key;
}

}  // namespace

std::string_view RefusalName(Refusal refusal) {
    switch (refusal) {
    case Refusal::None: return "None";
    case Refusal::Malformed: return "Malformed";
    case Refusal::Algorithm: return "Algorithm";
    case Refusal::UnknownKey: return "UnknownKey";
    case Refusal::Signature: return "Signature";
    case Refusal::Issuer: return "Issuer";
    case Refusal::Audience: return "Audience";
    case Refusal::Expired: return "Expired";
    case Refusal::NotYetValid: return "NotYetValid";
    case Refusal::Tenant: return "Tenant";
    case Refusal::Scope: return "Scope";
    }
    return "?";
}

Verifier::Verifier(Policy policy, std::shared_ptr<KeySource> keys)
    : policy_(std::move(policy)), keys_(std::move(keys)) {}

Verdict Verifier::Verify(std::string_view token, std::chrono::system_clock::time_point now) const {
    try {
        const CompactJws jws = SplitJws(token);
        if (!SigningKey(jws.header, *keys_)->VerifiesRs256(jws.signedText, jws.signature))
            throw Refused{Refusal::Signature, "signature does not verify"};
        return Verdict{CheckClaims(jws.payload, policy_, now), Refusal::None, {}};
    } catch (Refused& refused) {
        return Verdict{std::nullopt, refused.refusal, std::move(refused.reason)};
    } catch (const std::exception& error) {
        return Verdict{std::nullopt, Refusal::Malformed, error.what()};
    } catch (...) {
        return Verdict{std::nullopt, Refusal::Malformed, "unreadable token"};
    }
}

}  // namespace kv::token
