#include "token/claims.hpp"

#include <algorithm>
#include <cmath>

#include "token/ascii_case.hpp"
#include "token/compact_jws.hpp"

namespace kv::token {

namespace {

using Json = nlohmann::json;
using Kind = bool (*)(const Json&);

bool IsText(const Json& claim) { return claim.is_string(); }
bool IsNumber(const Json& claim) { return claim.is_number(); }
bool IsTextOrArray(const Json& claim) { return claim.is_string() || claim.is_array(); }

// The claim, or null when absent; throws when present but not of the kind
// the check reads (a number where a text belongs is a broken token, not a
// wrong value).
const Json* Claim(const Json& claims, const char* name, Kind isKind) {
    auto found = claims.find(name);
    if (found == claims.end()) return nullptr;
    if (!isKind(*found)) throw Refused{Refusal::Malformed, std::string(name) + " is of the wrong JSON type"};
    return &*found;
}

const Json& Required(const Json& claims, const char* name, Kind isKind, Refusal missing) {
    const Json* claim = Claim(claims, name, isKind);
    if (!claim) throw Refused{missing, std::string(name) + " is missing"};
    return *claim;
}

const std::string& Text(const Json& claim) { return claim.get_ref<const std::string&>(); }

double Seconds(const Json& claim, const char* name) {
    const double seconds = claim.get<double>();
    if (!std::isfinite(seconds)) throw Refused{Refusal::Malformed, std::string(name) + " is not a time"};
    return seconds;
}

void CheckIssuer(const Json& claims, const Policy& policy, const std::string& tenant) {
    const std::string expected = IssuerFor(policy, tenant);
    const std::string& issuer = Text(Required(claims, "iss", IsText, Refusal::Issuer));
    if (issuer != expected) throw Refused{Refusal::Issuer, "iss " + issuer + " is not " + expected};
}

void CheckAudience(const Json& claims, const Policy& policy) {
    const Json& audience = Required(claims, "aud", IsTextOrArray, Refusal::Audience);
    const Json named = audience.is_array() ? audience : Json::array({audience});
    bool ours = false;
    for (const auto& entry : named) {
        if (!entry.is_string()) throw Refused{Refusal::Malformed, "aud is of the wrong JSON type"};
        ours =
            ours || std::find(policy.audiences.begin(), policy.audiences.end(), Text(entry)) != policy.audiences.end();
    }
    if (!ours) throw Refused{Refusal::Audience, "aud " + audience.dump() + " is not this service"};
}

void CheckLifetime(const Json& claims, const Policy& policy, std::chrono::system_clock::time_point now) {
    const double at = std::chrono::duration<double>(now.time_since_epoch()).count();
    const double skew = static_cast<double>(policy.skew.count());
    const Json& expiry = Required(claims, "exp", IsNumber, Refusal::Malformed);
    if (at >= Seconds(expiry, "exp") + skew) throw Refused{Refusal::Expired, "expired at " + expiry.dump()};
    if (const Json* notBefore = Claim(claims, "nbf", IsNumber); notBefore && at + skew < Seconds(*notBefore, "nbf"))
        throw Refused{Refusal::NotYetValid, "not valid before " + notBefore->dump()};
}

void CheckTenant(const Policy& policy, const std::string& tenant) {
    const bool allowed = std::any_of(policy.allowedTenants.begin(), policy.allowedTenants.end(),
                                     [&](const std::string& entry) { return AsciiLower(entry) == AsciiLower(tenant); });
    if (!allowed) throw Refused{Refusal::Tenant, "tenant " + tenant + " is not allowed"};
}

void CheckScope(const Json& claims, const Policy& policy) {
    const std::string& scopes = Text(Required(claims, "scp", IsText, Refusal::Scope));
    std::size_t start = 0;
    while (start <= scopes.size()) {
        const auto end = std::min(scopes.find(' ', start), scopes.size());
        if (std::string_view(scopes).substr(start, end - start) == policy.requiredScope) return;
        start = end + 1;
    }
    throw Refused{Refusal::Scope, "scp \"" + scopes + "\" lacks " + policy.requiredScope};
}

std::string DisplayName(const Json& claims) {
    const Json* name = Claim(claims, "name", IsText);
    const Json* userName = Claim(claims, "preferred_username", IsText);
    return name ? Text(*name) : userName ? Text(*userName) : std::string();
}

}  // namespace

std::string IssuerFor(const Policy& policy, std::string_view tenant) {
    std::string issuer = policy.issuerTemplate;
    constexpr std::string_view Placeholder = "{tenantid}";
    for (auto at = issuer.find(Placeholder); at != std::string::npos; at = issuer.find(Placeholder, at + tenant.size()))
        issuer.replace(at, Placeholder.size(), tenant);
    return issuer;
}

Identity CheckClaims(const Json& claims, const Policy& policy, std::chrono::system_clock::time_point now) {
    Identity identity;
    identity.tenantId = Text(Required(claims, "tid", IsText, Refusal::Malformed));
    identity.objectId = Text(Required(claims, "oid", IsText, Refusal::Malformed));
    if (identity.tenantId.empty() || identity.objectId.empty())
        throw Refused{Refusal::Malformed, "tid or oid is empty"};
    identity.displayName = DisplayName(claims);
    CheckIssuer(claims, policy, identity.tenantId);
    CheckAudience(claims, policy);
    CheckLifetime(claims, policy, now);
    CheckTenant(policy, identity.tenantId);
    CheckScope(claims, policy);
    return identity;
}

}  // namespace kv::token
