#pragma once
// Owners for the OpenSSL objects the token code makes, freed on every path.
#include <memory>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

namespace kv::token {

template <auto Free>
struct OpenSslFree {
    template <typename T>
    void operator()(T* object) const {
        Free(object);
    }
};

using BigNum = std::unique_ptr<BIGNUM, OpenSslFree<BN_free>>;
using Bio = std::unique_ptr<BIO, OpenSslFree<BIO_free_all>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, OpenSslFree<EVP_MD_CTX_free>>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, OpenSslFree<EVP_PKEY_CTX_free>>;
using ParamBuilder = std::unique_ptr<OSSL_PARAM_BLD, OpenSslFree<OSSL_PARAM_BLD_free>>;
using Params = std::unique_ptr<OSSL_PARAM, OpenSslFree<OSSL_PARAM_free>>;
using Key = std::unique_ptr<EVP_PKEY, OpenSslFree<EVP_PKEY_free>>;

}  // namespace kv::token
