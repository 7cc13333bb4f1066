#include "service/token_authenticator.hpp"

#include <chrono>

#include "support/error.hpp"
#include "token/user_map.hpp"
#include "token/verifier.hpp"

namespace kv::service {

namespace {

class TokenAuthenticator final : public Authenticator {
public:
    TokenAuthenticator(token::Verifier verifier, token::UserMap users)
        : verifier_(std::move(verifier)), users_(std::move(users)) {}

    AuthResult Authenticate(std::string_view text) const override {
        if (text.empty()) return {AuthResult::Outcome::BadToken, {}, "no token"};
        const token::Verdict verdict = verifier_.Verify(text, std::chrono::system_clock::now());
        if (!verdict) return {AuthResult::Outcome::BadToken, {}, verdict.reason};
        const token::Identity& who = *verdict.identity;
        const std::string identity = who.tenantId + "/" + who.objectId;
        const std::optional<std::int32_t> user = users_.Find(who);
        if (!user) return {AuthResult::Outcome::Unmapped, {}, identity + " is not in the user map"};
        return {AuthResult::Outcome::Accepted, {*user, identity}, {}};
    }

private:
    token::Verifier verifier_;
    token::UserMap users_;
};

}  // namespace

std::shared_ptr<const Authenticator> MakeTokenAuthenticator(const ServiceConfig& config) {
    try {
        token::Policy policy;
        policy.audiences = config.token.audiences;
        policy.issuerTemplate = config.token.issuerTemplate;
        policy.allowedTenants = config.token.tenants;
        std::shared_ptr<token::KeySource> keys = config.token.jwksFile.empty()
                                                     ? token::KeysFromUrl(config.token.jwksUrl)
                                                     : token::KeysFromFile(config.token.jwksFile);
        return std::make_shared<TokenAuthenticator>(token::Verifier(std::move(policy), std::move(keys)),
                                                    token::UserMap::Load(config.userMap));
    } catch (const std::exception& e) {
        throw Error(errnum::InvalidArgument, "kvfiled", std::string("cannot check tokens: ") + e.what());
    }
}

}  // namespace kv::service
