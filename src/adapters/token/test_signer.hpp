#pragma once
// A local identity platform for the demo and the tests: an RSA key pair whose
// public half is written as a JWKS, and tokens signed with its private half.
// It grants nothing by itself: a service trusts only the keys of the JWKS
// source it is configured with, so its tokens count only where that source is
// this signer's JWKS (the demo).
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "token/verifier.hpp"

struct evp_pkey_st;

namespace kv::token {

class TestSigner {
public:
    // A fresh 2048-bit key pair named kid.
    explicit TestSigner(std::string kid = "kv-demo");
    // The key pair of a PEM private key written by Save.
    static TestSigner Load(const std::filesystem::path& privatePem, std::string kid = "kv-demo");

    ~TestSigner();
    TestSigner(TestSigner&& other) noexcept;
    TestSigner& operator=(TestSigner&& other) noexcept;

    const std::string& Kid() const { return kid_; }
    std::string PrivatePem() const;
    std::string PublicPem() const;
    // {"keys":[ the public key, with kid, use "sig" and alg "RS256" ]}
    std::string Jwks() const;
    // Writes the private key (readable by its owner only) and the JWKS.
    void Save(const std::filesystem::path& privatePem, const std::filesystem::path& jwks) const;

    // A compact JWS of the claims, header {"alg":"RS256","typ":"JWT","kid":Kid()}.
    std::string Sign(const nlohmann::json& claims) const;
    // The same with any header, signed RS256 whatever it says.
    std::string Sign(const nlohmann::json& header, const nlohmann::json& claims) const;

private:
    TestSigner(evp_pkey_st* key, std::string kid) : key_(key), kid_(std::move(kid)) {}
    evp_pkey_st* key_;
    std::string kid_;
};

// Claims the policy accepts for the user oid of tenant tid, valid from now
// for lifetime: iss, aud (the policy's first audience), tid, oid, scp, iat,
// nbf, exp, and name when given.
nlohmann::json ClaimsFor(const Policy& policy, const std::string& tid, const std::string& oid,
                         std::chrono::system_clock::time_point now, std::chrono::seconds lifetime,
                         const std::string& name = {});

}  // namespace kv::token
