#include "service/demo_world.hpp"

#include <fstream>
#include <nlohmann/json.hpp>

#include "adapters/sqlite/demo_database.hpp"
#include "service/self_signed_certificate.hpp"
#include "support/error.hpp"
#include "token/test_signer.hpp"

namespace kv::service {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDemoTenant = "6d0c1a3e-0000-4000-8000-00000000d3e0";
constexpr const char* kDemoAudience = "api://localhost/kvfiled-demo";

void WriteText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw Error(errnum::InvalidArgument, "kvfiled", "cannot write " + file.string());
}

}  // namespace

DemoWorld MakeDemoWorld(const fs::path& dirText, int port) {
    const fs::path dir = fs::absolute(dirText);
    std::error_code ec;
    if (fs::exists(dir) && (!fs::is_directory(dir) || !fs::is_empty(dir, ec)))
        throw Error(errnum::InvalidArgument, "kvfiled", dir.string() + " is not a new or empty folder");
    fs::create_directories(dir);

    const fs::path database = dir / "korvane.db";
    sqlite::CreateDemoDatabase(database.string(), sqlite::DemoSize::Small, (dir / "dokumenter").string());
    WriteSelfSignedCertificate(dir / "tls-cert.pem", dir / "tls-key.pem");
    const token::TestSigner signer;
    signer.Save(dir / "signing-key.pem", dir / "jwks.json");

    DemoWorld world;
    std::string userMap = "# tenant  object id  UserRessId\n";
    for (const std::int32_t user : {sqlite::demo::UserRessId, sqlite::demo::OtherUserRessId}) {
        const std::string oid = "demo-user-" + std::to_string(user);
        userMap += std::string(kDemoTenant) + " " + oid + " " + std::to_string(user) + "\n";
        world.users.push_back({user, oid, {}});
    }
    WriteText(dir / "users.txt", userMap);

    const nlohmann::json config = {
        {"address", "127.0.0.1"},
        {"port", port},
        {"certificate", "tls-cert.pem"},
        {"privateKey", "tls-key.pem"},
        {"connection", "SERVER=(sqlite);DATABASE=" + database.string()},
        {"stateDir", "state"},
        {"maxUploadBytes", 25 << 20},
        {"token", {{"audience", kDemoAudience}, {"tenants", {kDemoTenant}}, {"jwksFile", "jwks.json"}}},
        {"userMap", "users.txt"}};
    world.configFile = dir / "kvfiled.json";
    WriteText(world.configFile, config.dump(2) + "\n");
    world.config = LoadServiceConfig(world.configFile);

    token::Policy policy;
    policy.audiences = world.config.token.audiences;
    policy.issuerTemplate = world.config.token.issuerTemplate;
    for (DemoUser& user : world.users)
        user.token = signer.Sign(token::ClaimsFor(policy, kDemoTenant, user.objectId, std::chrono::system_clock::now(),
                                                  kDemoTokenLifetime, "Demo " + std::to_string(user.userRessId)));
    return world;
}

}  // namespace kv::service
