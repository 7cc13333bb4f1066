#include "service/self_signed_certificate.hpp"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>

#include "support/error.hpp"

namespace kv::service {

namespace {

constexpr unsigned kKeyBits = 2048;
constexpr long kValidSeconds = 365L * 24 * 60 * 60;

[[noreturn]] void Fail(const std::string& what) {
    throw Error(errnum::InvalidArgument, "kvfiled", "cannot make the demo certificate: " + what);
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

void WritePem(const std::filesystem::path& path, const auto& write) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file || !write(file.get())) Fail("cannot write " + path.string());
}

}  // namespace

void WriteSelfSignedCertificate(const std::filesystem::path& certificate, const std::filesystem::path& privateKey) {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_RSA_gen(kKeyBits), EVP_PKEY_free);
    std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
    if (!key || !cert) Fail("no key");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), kValidSeconds);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1,
                               0);
    X509_set_issuer_name(cert.get(), name);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert.get(), cert.get(), nullptr, nullptr, 0);
    X509_EXTENSION* altNames = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
    if (altNames == nullptr) Fail("no subject names");
    X509_add_ext(cert.get(), altNames, -1);
    X509_EXTENSION_free(altNames);
    if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) Fail("the signature failed");

    WritePem(privateKey, [&](FILE* f) {
        std::filesystem::permissions(privateKey,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        return PEM_write_PrivateKey(f, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
    });
    WritePem(certificate, [&](FILE* f) { return PEM_write_X509(f, cert.get()) == 1; });
}

}  // namespace kv::service
