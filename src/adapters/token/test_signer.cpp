#include "token/test_signer.hpp"

#include <fstream>
#include <stdexcept>

#include <openssl/core_names.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include "token/base64url.hpp"
#include "token/openssl_owner.hpp"
#include "token/read_file.hpp"

namespace kv::token {

namespace {

std::string BioText(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string RsaComponent(EVP_PKEY* key, const char* name) {
    BIGNUM* raw = nullptr;
    if (EVP_PKEY_get_bn_param(key, name, &raw) != 1) throw std::runtime_error("RSA key without its public part");
    BigNum number(raw);
    std::string bytes(static_cast<std::size_t>(BN_num_bytes(number.get())), '\0');
    BN_bn2bin(number.get(), reinterpret_cast<unsigned char*>(bytes.data()));
    return bytes;
}

}  // namespace

TestSigner::TestSigner(std::string kid) : key_(EVP_RSA_gen(2048)), kid_(std::move(kid)) {
    if (!key_) throw std::runtime_error("cannot make an RSA key pair");
}

TestSigner TestSigner::Load(const std::filesystem::path& privatePem, std::string kid) {
    const std::string pem = ReadWholeFile(privatePem, "private key");
    Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr;
    if (!key) throw std::runtime_error("no private key in " + privatePem.string());
    return TestSigner(key, std::move(kid));
}

TestSigner::~TestSigner() { EVP_PKEY_free(key_); }

TestSigner::TestSigner(TestSigner&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)), kid_(std::move(other.kid_)) {}

TestSigner& TestSigner::operator=(TestSigner&& other) noexcept {
    std::swap(key_, other.key_);
    std::swap(kid_, other.kid_);
    return *this;
}

std::string TestSigner::PrivatePem() const {
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key_, nullptr, nullptr, 0, nullptr, nullptr) != 1)
        throw std::runtime_error("cannot write the private key");
    return BioText(bio.get());
}

std::string TestSigner::PublicPem() const {
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PUBKEY(bio.get(), key_) != 1) throw std::runtime_error("cannot write the public key");
    return BioText(bio.get());
}

std::string TestSigner::Jwks() const {
    nlohmann::json key = {{"kty", "RSA"},
                          {"use", "sig"},
                          {"alg", "RS256"},
                          {"kid", kid_},
                          {"n", EncodeBase64Url(RsaComponent(key_, OSSL_PKEY_PARAM_RSA_N))},
                          {"e", EncodeBase64Url(RsaComponent(key_, OSSL_PKEY_PARAM_RSA_E))}};
    return nlohmann::json{{"keys", nlohmann::json::array({key})}}.dump(2);
}

void TestSigner::Save(const std::filesystem::path& privatePem, const std::filesystem::path& jwks) const {
    namespace fs = std::filesystem;
    // Made empty and closed to its owner before the key goes in.
    std::ofstream(privatePem, std::ios::binary | std::ios::trunc).close();
    fs::permissions(privatePem, fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream privateOut(privatePem, std::ios::binary | std::ios::trunc);
    privateOut << PrivatePem();
    std::ofstream jwksOut(jwks, std::ios::binary | std::ios::trunc);
    jwksOut << Jwks();
    if (!privateOut.flush() || !jwksOut.flush()) throw std::runtime_error("cannot write the key pair");
}

std::string TestSigner::Sign(const nlohmann::json& claims) const {
    return Sign(nlohmann::json{{"alg", "RS256"}, {"typ", "JWT"}, {"kid", kid_}}, claims);
}

std::string TestSigner::Sign(const nlohmann::json& header, const nlohmann::json& claims) const {
    const std::string signedText = EncodeBase64Url(header.dump()) + "." + EncodeBase64Url(claims.dump());
    DigestContext context(EVP_MD_CTX_new());
    std::size_t size = 0;
    const auto* text = reinterpret_cast<const unsigned char*>(signedText.data());
    if (!context || EVP_DigestSignInit_ex(context.get(), nullptr, "SHA256", nullptr, nullptr, key_, nullptr) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &size, text, signedText.size()) != 1)
        throw std::runtime_error("cannot sign");
    std::string signature(size, '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size, text,
                       signedText.size()) != 1)
        throw std::runtime_error("cannot sign");
    signature.resize(size);
    return signedText + "." + EncodeBase64Url(signature);
}

nlohmann::json ClaimsFor(const Policy& policy, const std::string& tid, const std::string& oid,
                         std::chrono::system_clock::time_point now, std::chrono::seconds lifetime,
                         const std::string& name) {
    const auto issued = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    nlohmann::json claims = {{"iss", IssuerFor(policy, tid)},
                             {"aud", policy.audiences.empty() ? std::string() : policy.audiences.front()},
                             {"tid", tid},
                             {"oid", oid},
                             {"scp", policy.requiredScope},
                             {"ver", "2.0"},
                             {"iat", issued},
                             {"nbf", issued},
                             {"exp", issued + lifetime.count()}};
    if (!name.empty()) claims["name"] = name;
    return claims;
}

}  // namespace kv::token
