#pragma once
// The public keys tokens are signed with, by key id, from a JWKS document
// ({"keys":[{"kty":"RSA","kid":…,"n":…,"e":…}]}) kept in a file or published
// at an HTTPS address.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

struct evp_pkey_st;  // OpenSSL's EVP_PKEY, kept out of this header

namespace kv::token {

// One RSA public key. Immutable, so one key serves many threads at once.
class PublicKey {
public:
    // From the big-endian bytes of modulus and exponent; throws
    // std::runtime_error when OpenSSL refuses them.
    static std::shared_ptr<const PublicKey> FromRsa(std::string_view modulus, std::string_view exponent);

    ~PublicKey();
    PublicKey(const PublicKey&) = delete;
    PublicKey& operator=(const PublicKey&) = delete;

    // RSASSA-PKCS1-v1_5 with SHA-256 (RS256) of signedText.
    bool VerifiesRs256(std::string_view signedText, std::string_view signature) const;

private:
    explicit PublicKey(evp_pkey_st* key) : key_(key) {}
    evp_pkey_st* key_;
};

using KeySet = std::map<std::string, std::shared_ptr<const PublicKey>, std::less<>>;

// The signing keys of a JWKS document: RSA keys with a kid, whose use (when
// given) is "sig" and alg (when given) "RS256"; other keys are skipped.
// Throws std::runtime_error on a document that is not a JWKS.
KeySet ParseJwks(std::string_view json);

// Where the Verifier finds keys. Find may be called from many threads at
// once: each source keeps an immutable KeySet and swaps in a new one under a
// mutex, so a lookup never sees a half-read set.
class KeySource {
public:
    virtual ~KeySource() = default;
    // The key named kid, or null when none is trusted under that name.
    virtual std::shared_ptr<const PublicKey> Find(std::string_view kid) = 0;
};

// Told why a refresh failed and the old keys were kept (for the service's log).
using ProblemLog = std::function<void(const std::string& problem)>;

// Keys from a JWKS file, read now (throws std::runtime_error when it cannot
// be read or is not a JWKS) and read again when its time or size changes. A
// changed file that cannot be read keeps the keys read before.
std::unique_ptr<KeySource> KeysFromFile(std::filesystem::path jwks, ProblemLog log = {});

struct UrlKeyOptions {
    // A kid we do not know fetches the document again, at most this often,
    // so a flood of made-up kids cannot make us hammer the key endpoint.
    std::chrono::seconds refreshInterval{60};
    // Keys older than this are fetched again at the next lookup.
    std::chrono::seconds maxAge{std::chrono::hours(24)};
    std::chrono::seconds timeout{10};
    std::size_t maxBytes = 1 << 20;
    // CA bundle to check the server's certificate with; empty takes the system's.
    std::filesystem::path caFile;
    ProblemLog log;
    // Tests only: lets http:// through for the host 127.0.0.1 (never another host).
    bool allowLoopbackHttp = false;
    // Tests only: the clock the intervals are measured with.
    std::function<std::chrono::steady_clock::time_point()> clock = std::chrono::steady_clock::now;
};

// Keys from a JWKS published at an https:// address, fetched at the first
// lookup and cached. A failed fetch keeps the keys fetched before. Throws
// std::invalid_argument for an address it will not fetch from.
std::unique_ptr<KeySource> KeysFromUrl(std::string url, UrlKeyOptions options = {});

}  // namespace kv::token
