#pragma once
// A throwaway TLS certificate for the demo: a fresh key and a certificate
// for localhost and 127.0.0.1 that signs itself.
#include <filesystem>

namespace kv::service {

// Writes the certificate and its private key (readable by the owner only)
// as PEM; kv::Error when OpenSSL fails.
void WriteSelfSignedCertificate(const std::filesystem::path& certificate, const std::filesystem::path& privateKey);

}  // namespace kv::service
