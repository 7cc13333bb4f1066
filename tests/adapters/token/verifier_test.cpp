// Tokens good and bad through the verifier, with real RSA keys from a JWKS file.
#include <cctype>
#include <functional>

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "fakes/file_text.hpp"
#include "fakes/temp_dir.hpp"
#include "token/base64url.hpp"
#include "token_keys.hpp"

namespace kv::token::testing {
namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

const auto Epoch = std::chrono::duration_cast<std::chrono::seconds>(Now.time_since_epoch()).count();

Json Good() { return ClaimsFor(TestPolicy(), Tenant, ObjectId, Now, 1h, "Mette Holm"); }

std::string With(const char* claim, const Json& value) {
    Json claims = Good();
    claims[claim] = value;
    return Signer().Sign(claims);
}

std::string Without(const char* claim) {
    Json claims = Good();
    claims.erase(claim);
    return Signer().Sign(claims);
}

std::string WithHeader(const Json& header) { return Signer().Sign(header, Good()); }

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Issuer(const std::string& tenant) { return "https://login.microsoftonline.com/" + tenant + "/v2.0"; }

// The classic confusion: HS256 keyed with the public key, which anyone has.
std::string HmacWithPublicKey() {
    const std::string signedText = EncodeBase64Url(Json{{"alg", "HS256"}, {"typ", "JWT"}, {"kid", "key-1"}}.dump()) +
                                   "." + EncodeBase64Url(Good().dump());
    const std::string secret = Signer().PublicPem();
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    HMAC(EVP_sha256(), secret.data(), static_cast<int>(secret.size()),
         reinterpret_cast<const unsigned char*>(signedText.data()), signedText.size(), mac, &size);
    return signedText + "." + EncodeBase64Url(std::string(reinterpret_cast<const char*>(mac), size));
}

// The good token with part `part` (0 header, 1 payload, 2 signature) changed.
std::string EditPart(int part, const std::function<std::string(std::string)>& edit) {
    std::string token = Signer().Sign(Good());
    const auto first = token.find('.'), second = token.rfind('.');
    const std::size_t begin = part == 0 ? 0 : part == 1 ? first + 1 : second + 1;
    const std::size_t end = part == 0 ? first : part == 1 ? second : token.size();
    return token.substr(0, begin) + edit(token.substr(begin, end - begin)) + token.substr(end);
}

std::string Tampered() {
    Json claims = Good();
    claims["oid"] = "ffffffff-4e5f-4a6b-8c7d-9e0f1a2b3c4d";
    const std::string forged = Signer().Sign(claims);
    return EditPart(
        1, [&](std::string) { return forged.substr(forged.find('.') + 1, forged.rfind('.') - forged.find('.') - 1); });
}

// The last character of the signature with unused low bits set: the same
// bytes to a lenient decoder.
std::string NonCanonicalSignature() {
    return EditPart(2, [](std::string signature) {
        constexpr std::string_view Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
        signature.back() = Alphabet[Alphabet.find(signature.back()) | 1];
        return signature;
    });
}

std::string Replaced(int part, const std::string& text) {
    return EditPart(part, [&](const std::string&) { return text; });
}

struct Case {
    const char* name;
    std::string token;
    Refusal refusal;
    std::function<void(Policy&)> policy = [](Policy&) {};
};

TEST(Verifier, AcceptsOnlyTokensEveryCheckPasses) {
    fakes::TempDir dir("kvtoken");
    fakes::WriteFileText(dir.Path() / "jwks.json", Signer().Jwks());
    std::shared_ptr<KeySource> keys = KeysFromFile(dir.Path() / "jwks.json");
    const std::string good = Signer().Sign(Good());
    const std::string none = WithHeader({{"alg", "none"}, {"kid", "key-1"}});

    const std::vector<Case> cases = {
        {"good", good, Refusal::None},
        {"audience the api uri", With("aud", "api://filing.example.dk/" + AppId), Refusal::None},
        {"audience an array naming us", With("aud", Json::array({"other", AppId})), Refusal::None},
        {"audience another application", With("aud", "00000003-0000-0000-c000-000000000000"), Refusal::Audience},
        {"audience an array without us", With("aud", Json::array({"other"})), Refusal::Audience},
        {"audience missing", Without("aud"), Refusal::Audience},
        {"audience ours only in another policy", With("aud", AppId), Refusal::Audience,
         [](Policy& p) { p.audiences = {"api://filing.example.dk/" + AppId}; }},
        {"issuer of another tenant", With("iss", Issuer(OtherTenant)), Refusal::Issuer},
        {"issuer of the v1 endpoint", With("iss", "https://sts.windows.net/" + Tenant + "/"), Refusal::Issuer},
        {"issuer missing", Without("iss"), Refusal::Issuer},
        {"issuer template with the tenant twice", With("iss", "https://x/" + Tenant + "/" + Tenant), Refusal::None,
         [](Policy& p) { p.issuerTemplate = "https://x/{tenantid}/{tenantid}"; }},
        {"tenant not allowed", Signer().Sign(ClaimsFor(TestPolicy(), OtherTenant, ObjectId, Now, 1h)), Refusal::Tenant},
        {"no tenant allowed", good, Refusal::Tenant, [](Policy& p) { p.allowedTenants.clear(); }},
        {"tenant allowed in capitals", good, Refusal::None,
         [](Policy& p) {
             p.allowedTenants = {"x", Upper(Tenant)};
         }},
        {"scope missing", Without("scp"), Refusal::Scope},
        {"other scope only", With("scp", "User.Read"), Refusal::Scope},
        {"scope among others", With("scp", "User.Read access_as_user Mail.Read"), Refusal::None},
        {"scope longer than ours", With("scp", "access_as_user_admin"), Refusal::Scope},
        {"scope a prefix of ours", With("scp", "access_as User.Read"), Refusal::Scope},
        {"expired beyond the skew", With("exp", Epoch - 300), Refusal::Expired},
        {"expired within the skew", With("exp", Epoch - 299), Refusal::None},
        {"expired with no skew", With("exp", Epoch), Refusal::Expired, [](Policy& p) { p.skew = 0s; }},
        {"exp missing", Without("exp"), Refusal::Malformed},
        {"not yet valid beyond the skew", With("nbf", Epoch + 301), Refusal::NotYetValid},
        {"not yet valid within the skew", With("nbf", Epoch + 300), Refusal::None},
        {"nbf missing", Without("nbf"), Refusal::None},
        {"alg none", none.substr(0, none.rfind('.') + 1), Refusal::Algorithm},
        {"alg HS256 keyed with the public key", HmacWithPublicKey(), Refusal::Algorithm},
        {"alg missing", WithHeader({{"kid", "key-1"}}), Refusal::Algorithm},
        {"alg in lower case", WithHeader({{"alg", "rs256"}, {"kid", "key-1"}}), Refusal::Algorithm},
        {"alg not text", WithHeader({{"alg", 256}, {"kid", "key-1"}}), Refusal::Algorithm},
        {"critical extension", WithHeader({{"alg", "RS256"}, {"kid", "key-1"}, {"crit", {"exp"}}}), Refusal::Malformed},
        {"kid missing", WithHeader({{"alg", "RS256"}}), Refusal::UnknownKey},
        {"kid unknown", WithHeader({{"alg", "RS256"}, {"kid", "key-9"}}), Refusal::UnknownKey},
        {"kid not text", WithHeader({{"alg", "RS256"}, {"kid", 1}}), Refusal::UnknownKey},
        {"payload changed, signature kept", Tampered(), Refusal::Signature},
        {"signed by another key", OtherSigner().Sign({{"alg", "RS256"}, {"typ", "JWT"}, {"kid", "key-1"}}, Good()),
         Refusal::Signature},
        {"signature cut short", EditPart(2, [](std::string s) { return s.substr(0, 340); }), Refusal::Signature},
        {"signature empty", Replaced(2, ""), Refusal::Signature},
        {"two parts", good.substr(0, good.rfind('.')), Refusal::Malformed},
        {"four parts", good + ".AAAA", Refusal::Malformed},
        {"one part", "eyJhbGciOiJSUzI1NiJ9", Refusal::Malformed},
        {"empty", "", Refusal::Malformed},
        {"signature padded", EditPart(2, [](std::string s) { return s + "=="; }), Refusal::Malformed},
        {"signature not canonical", NonCanonicalSignature(), Refusal::Malformed},
        {"payload with a space", EditPart(1, [](std::string s) { return s.insert(4, " "); }), Refusal::Malformed},
        {"payload in base64 with + and /", EditPart(1, [](std::string s) { return s + "+/"; }), Refusal::Malformed},
        {"payload not JSON", Replaced(1, EncodeBase64Url("{\"tid\":")), Refusal::Malformed},
        {"payload a JSON array", Replaced(1, EncodeBase64Url("[1]")), Refusal::Malformed},
        {"header empty", Replaced(0, ""), Refusal::Malformed},
        {"exp as text", With("exp", std::to_string(Epoch + 3600)), Refusal::Malformed},
        {"nbf as true", With("nbf", true), Refusal::Malformed},
        {"aud a number", With("aud", 5), Refusal::Malformed},
        {"aud an array with a number", With("aud", Json::array({AppId, 5})), Refusal::Malformed},
        {"iss an object", With("iss", Json::object()), Refusal::Malformed},
        {"tid a number", With("tid", 7), Refusal::Malformed},
        {"tid missing", Without("tid"), Refusal::Malformed},
        {"oid missing", Without("oid"), Refusal::Malformed},
        {"oid empty", With("oid", ""), Refusal::Malformed},
        {"scp an array", With("scp", Json::array({"access_as_user"})), Refusal::Malformed},
        {"name a number", With("name", 1), Refusal::Malformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Policy policy = TestPolicy();
        c.policy(policy);
        const Verdict verdict = Verifier(policy, keys).Verify(c.token, Now);
        EXPECT_EQ(RefusalName(verdict.refusal), RefusalName(c.refusal)) << verdict.reason;
        EXPECT_EQ(verdict.identity.has_value(), c.refusal == Refusal::None);
        EXPECT_EQ(verdict.reason.empty(), c.refusal == Refusal::None);
    }
    EXPECT_EQ(ERR_peek_error(), 0u) << "signatures refused leave nothing on the thread's OpenSSL error queue";
}

TEST(Verifier, NamesTheUserByObjectAndTenantAndShowsTheBestNameGiven) {
    fakes::TempDir dir("kvtoken");
    fakes::WriteFileText(dir.Path() / "jwks.json", Signer().Jwks());
    const Verifier verifier(TestPolicy(), KeysFromFile(dir.Path() / "jwks.json"));
    struct Names {
        Json claims;
        std::string shown;
    };
    const std::vector<Names> cases = {
        {{{"name", "Mette Holm"}, {"preferred_username", "mh@example.dk"}}, "Mette Holm"},
        {{{"preferred_username", "mh@example.dk"}}, "mh@example.dk"},
        {Json::object(), ""},
    };
    for (const auto& c : cases) {
        Json claims = ClaimsFor(TestPolicy(), Tenant, ObjectId, Now, 1h);
        claims.update(c.claims);
        const Verdict verdict = verifier.Verify(Signer().Sign(claims), Now);
        ASSERT_TRUE(verdict) << verdict.reason;
        EXPECT_EQ(verdict.identity->tenantId, Tenant);
        EXPECT_EQ(verdict.identity->objectId, ObjectId);
        EXPECT_EQ(verdict.identity->displayName, c.shown);
    }
}

TEST(TestSigner, SavesAKeyPairThatSignsAgainWhenLoaded) {
    namespace fs = std::filesystem;
    fakes::TempDir dir("kvtoken");
    Signer().Save(dir.Path() / "demo.pem", dir.Path() / "jwks.json");
    EXPECT_EQ(fs::status(dir.Path() / "demo.pem").permissions() & (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
    const TestSigner loaded = TestSigner::Load(dir.Path() / "demo.pem", "key-1");
    const Verifier verifier(TestPolicy(), KeysFromFile(dir.Path() / "jwks.json"));
    EXPECT_TRUE(verifier.Verify(loaded.Sign(Good()), Now));
    EXPECT_THROW(TestSigner::Load(dir.Path() / "jwks.json"), std::runtime_error);
}

TEST(Base64Url, DecodesOnlyTheOneEncodingOfEachByteString) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"", ""},
        {"QQ", "A"},
        {"QUI", "AB"},
        {"QUJD", "ABC"},
        {"-_8", "\xfb\xff"},
        {"QR", std::nullopt},
        {"QUJ", std::nullopt},
        {"QQ==", std::nullopt},
        {"Q", std::nullopt},
        {"+/8", std::nullopt},
        {"QU I", std::nullopt},
        {"QUJDR", std::nullopt},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(DecodeBase64Url(text), bytes) << text;
        if (bytes) {
            EXPECT_EQ(EncodeBase64Url(*bytes), text);
        }
    }
}

}  // namespace
}  // namespace kv::token::testing
