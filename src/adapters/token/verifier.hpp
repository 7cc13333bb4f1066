#pragma once
// Checks the access token a client sends with each request: a compact JWS
// signed RS256 by the tenant's identity platform. The signature is checked
// against a key the KeySource names by the token's kid, then the claims
// against the Policy. Every refusal says which check failed and why; nothing
// in a token, however malformed, makes Verify throw.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "token/key_source.hpp"

namespace kv::token {

inline constexpr std::string_view DefaultIssuerTemplate = "https://login.microsoftonline.com/{tenantid}/v2.0";

struct Policy {
    // The token's aud (a string or an array) must name one of these: the
    // service's application id, and its "api://…/<application id>" form
    // where that is configured too.
    std::vector<std::string> audiences;
    // The token's iss must equal this with {tenantid} replaced by its tid.
    std::string issuerTemplate{DefaultIssuerTemplate};
    // Tenants whose users may sign in; empty refuses every tenant.
    std::vector<std::string> allowedTenants;
    // One of the space-separated scopes in scp.
    std::string requiredScope = "access_as_user";
    // Clock difference tolerated on exp and nbf.
    std::chrono::seconds skew{300};
};

// Who signed in: oid within tid names the user; the display name is the
// token's name, else its preferred_username, else empty.
struct Identity {
    std::string tenantId;
    std::string objectId;
    std::string displayName;
};

// Which check refused a token. Every refusal is a bad token (401): an unknown
// user is the UserMap's answer, not one of these.
enum class Refusal {
    None,
    Malformed,    // not three base64url parts of JSON objects, or a claim missing or of the wrong JSON type
    Algorithm,    // alg missing or other than RS256
    UnknownKey,   // kid missing or not among the trusted keys
    Signature,    // the signature does not verify
    Issuer,       // iss missing or not the tenant's issuer
    Audience,     // aud missing or not ours
    Expired,      // exp past, beyond the skew
    NotYetValid,  // nbf ahead, beyond the skew
    Tenant,       // tid not among the allowed tenants
    Scope,        // scp missing or without the required scope
};

// The iss a token of the tenant must carry: the policy's template with the tenant for {tenantid}.
std::string IssuerFor(const Policy& policy, std::string_view tenant);

// "Malformed", "Algorithm", ...: for logs.
std::string_view RefusalName(Refusal refusal);

struct Verdict {
    std::optional<Identity> identity;  // set exactly when accepted
    Refusal refusal = Refusal::None;
    std::string reason;  // why refused, in English, for the log; never shown to the client as more than "401"

    explicit operator bool() const { return identity.has_value(); }
};

// Immutable after construction; Verify may run on many threads at once (the
// key source guards its own key set, see KeySource).
class Verifier {
public:
    Verifier(Policy policy, std::shared_ptr<KeySource> keys);

    Verdict Verify(std::string_view token, std::chrono::system_clock::time_point now) const;

    const Policy& Rules() const { return policy_; }

private:
    Policy policy_;
    std::shared_ptr<KeySource> keys_;
};

}  // namespace kv::token
