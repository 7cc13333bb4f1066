#pragma once
// The key pairs and the policy the token tests share. Making a 2048-bit key
// is the slow part of these tests, so each is made once per run.
#include <chrono>
#include <string>

#include "token/test_signer.hpp"

namespace kv::token::testing {

inline const TestSigner& Signer() {
    static const TestSigner signer("key-1");
    return signer;
}

inline const TestSigner& OtherSigner() {
    static const TestSigner signer("key-2");
    return signer;
}

inline const std::string Tenant = "6f1c2a8e-3b4d-4e5f-8a9b-0c1d2e3f4a5b";
inline const std::string OtherTenant = "d2b7e0c4-1a2b-4c3d-9e8f-7a6b5c4d3e2f";
inline const std::string ObjectId = "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d";
inline const std::string AppId = "5e6f7a8b-9c0d-4e1f-a2b3-c4d5e6f7a8b9";
inline const auto Now = std::chrono::system_clock::time_point(std::chrono::seconds(1796644800));

inline Policy TestPolicy() {
    Policy policy;
    policy.audiences = {AppId, "api://filing.example.dk/" + AppId};
    policy.allowedTenants = {Tenant};
    return policy;
}

}  // namespace kv::token::testing
