#include <stdexcept>

#include <openssl/core_names.h>
#include <openssl/err.h>

#include "token/key_source.hpp"
#include "token/openssl_owner.hpp"

namespace kv::token {

namespace {

// Keys shorter than this are refused: the identity platform signs with 2048 bits.
constexpr int MinimumKeyBits = 2048;

BigNum ToBigNum(std::string_view bytes) {
    return BigNum(
        BN_bin2bn(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()), nullptr));
}

}  // namespace

std::shared_ptr<const PublicKey> PublicKey::FromRsa(std::string_view modulus, std::string_view exponent) {
    BigNum n = ToBigNum(modulus), e = ToBigNum(exponent);
    ParamBuilder builder(OSSL_PARAM_BLD_new());
    if (!n || !e || !builder || !OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) ||
        !OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_RSA_E, e.get()))
        throw std::runtime_error("RSA key parameters not accepted");
    Params params(OSSL_PARAM_BLD_to_param(builder.get()));
    KeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* key = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) <= 0 ||
        EVP_PKEY_fromdata(context.get(), &key, EVP_PKEY_PUBLIC_KEY, params.get()) <= 0) {
        ERR_clear_error();
        throw std::runtime_error("RSA key not accepted");
    }
    Key owner(key);
    if (EVP_PKEY_get_bits(key) < MinimumKeyBits || BN_is_odd(e.get()) == 0 || BN_is_one(e.get()) != 0)
        throw std::runtime_error("RSA key too weak");
    return std::shared_ptr<const PublicKey>(new PublicKey(owner.release()));
}

PublicKey::~PublicKey() { EVP_PKEY_free(key_); }

bool PublicKey::VerifiesRs256(std::string_view signedText, std::string_view signature) const {
    DigestContext context(EVP_MD_CTX_new());
    const bool verified =
        context && EVP_DigestVerifyInit_ex(context.get(), nullptr, "SHA256", nullptr, nullptr, key_, nullptr) == 1 &&
        EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
                         reinterpret_cast<const unsigned char*>(signedText.data()), signedText.size()) == 1;
    // A refused signature leaves its reasons on this thread's error queue.
    if (!verified) ERR_clear_error();
    return verified;
}

}  // namespace kv::token
