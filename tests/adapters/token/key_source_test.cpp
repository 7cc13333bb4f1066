// The key sources: a JWKS file that is rewritten, and a JWKS address served
// over loopback by a real HTTP server.
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>
#include <openssl/err.h>

#include "fakes/file_text.hpp"
#include "fakes/temp_dir.hpp"
#include "token_keys.hpp"

namespace kv::token::testing {
namespace {

using namespace std::chrono_literals;

// Rewrites the file with its time moved on by `later`: a rotation by hand or
// by a deployment is seconds apart, one within a tick of a coarse file clock
// keeps the time.
void Rewrite(const std::filesystem::path& file, const std::string& text, std::chrono::seconds later = 1s) {
    const auto before = std::filesystem::last_write_time(file);
    fakes::WriteFileText(file, text);
    std::filesystem::last_write_time(file, before + later);
}

std::string BothKeys() {
    auto keys = nlohmann::json::parse(Signer().Jwks());
    keys["keys"].push_back(nlohmann::json::parse(OtherSigner().Jwks())["keys"][0]);
    return keys.dump();
}

TEST(KeysFromFile, TakesUpAKeyRotatedInTheFileAndKeepsTheOldKeysWhenTheFileBreaks) {
    fakes::TempDir dir("kvtoken");
    const auto file = dir.Path() / "jwks.json";
    fakes::WriteFileText(file, Signer().Jwks());
    std::vector<std::string> problems;
    auto keys = KeysFromFile(file, [&](const std::string& problem) { problems.push_back(problem); });
    EXPECT_TRUE(keys->Find("key-1"));
    EXPECT_FALSE(keys->Find("key-2"));

    Rewrite(file, OtherSigner().Jwks());
    EXPECT_TRUE(keys->Find("key-2"));
    EXPECT_FALSE(keys->Find("key-1"));
    Rewrite(file, BothKeys(), 0s);
    EXPECT_TRUE(keys->Find("key-1")) << "a file of another size, at the same time";
    EXPECT_TRUE(problems.empty());

    Rewrite(file, R"({"keys":[)");
    EXPECT_TRUE(keys->Find("key-2"));
    EXPECT_TRUE(keys->Find("key-2"));
    EXPECT_EQ(problems.size(), 1u) << "a broken file is read again only when it changes again";

    std::filesystem::remove(file);
    EXPECT_TRUE(keys->Find("key-2"));
    EXPECT_THROW(KeysFromFile(file), std::runtime_error);
}

TEST(ParseJwks, TakesRsaSigningKeysOnly) {
    auto signing = nlohmann::json::parse(Signer().Jwks())["keys"][0];
    auto with = [&](const char* member, const nlohmann::json& value) {
        auto key = signing;
        if (value.is_null()) key.erase(member);
        else key[member] = value;
        return key;
    };
    struct Case {
        const char* name;
        nlohmann::json key;
        bool taken;
    };
    const std::vector<Case> cases = {
        {"RSA for signatures", signing, true},
        {"no use", with("use", nullptr), true},
        {"no alg", with("alg", nullptr), true},
        {"for encryption", with("use", "enc"), false},
        {"for another algorithm", with("alg", "RS512"), false},
        {"an elliptic curve key", with("kty", "EC"), false},
        {"no kid", with("kid", nullptr), false},
        {"modulus not base64url", with("n", "AQAB=="), false},
        {"modulus empty", with("n", ""), false},
        {"exponent not base64url", with("e", "AQ AB"), false},
        {"modulus of 1024 bits", with("n", std::string(170, 'z') + "w"), false},
        {"exponent even", with("e", "AQAA"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string document = nlohmann::json{{"keys", {c.key, with("kid", "spare")}}}.dump();
        EXPECT_EQ(ParseJwks(document).count(c.key.value("kid", "")), c.taken ? 1u : 0u);
    }
    const std::string keysByName = nlohmann::json{{"keys", nlohmann::json::object({{"key-1", signing}})}}.dump();
    for (const std::string& broken : {std::string(), std::string("[]"), keysByName, std::string(R"({"keys":[]})"),
                                      std::string(R"({"keys":[{"kty":"EC","kid":"a"}]})")})
        EXPECT_THROW(ParseJwks(broken), std::runtime_error) << broken;
    EXPECT_EQ(ERR_peek_error(), 0u) << "keys refused leave nothing on the thread's OpenSSL error queue";
}

// A JWKS endpoint on 127.0.0.1 that counts its requests.
class KeyEndpoint {
public:
    explicit KeyEndpoint(std::unique_ptr<httplib::Server> server = std::make_unique<httplib::Server>())
        : server_(std::move(server)) {
        server_->Get("/keys", [this](const httplib::Request&, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            ++requests_;
            response.status = status_;
            response.set_content(body_, "application/json");
        });
        port_ = server_->bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_->listen_after_bind(); });
    }
    ~KeyEndpoint() {
        server_->stop();
        thread_.join();
    }

    std::string Url(const char* scheme = "http") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + "/keys";
    }
    void Serve(int status, std::string body) {
        std::lock_guard lock(mutex_);
        status_ = status;
        body_ = std::move(body);
    }
    int Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    std::unique_ptr<httplib::Server> server_;
    std::mutex mutex_;
    int status_ = 200;
    std::string body_;
    int requests_ = 0;
    int port_ = 0;
    std::thread thread_;
};

struct ManualClock {
    std::chrono::steady_clock::time_point now{};
    std::function<std::chrono::steady_clock::time_point()> Reader() {
        return [this] { return now; };
    }
};

UrlKeyOptions LoopbackOptions(ManualClock& clock) {
    UrlKeyOptions options;
    options.allowLoopbackHttp = true;
    options.timeout = 5s;
    options.clock = clock.Reader();
    return options;
}

TEST(KeysFromUrl, RefetchesForAnUnknownKidAtMostOnceAMinuteAndKeepsItsKeysWhenAFetchFails) {
    KeyEndpoint endpoint;
    endpoint.Serve(200, Signer().Jwks());
    ManualClock clock;
    std::vector<std::string> problems;
    UrlKeyOptions options = LoopbackOptions(clock);
    options.log = [&](const std::string& problem) { problems.push_back(problem); };
    auto keys = KeysFromUrl(endpoint.Url(), options);
    EXPECT_EQ(endpoint.Requests(), 0);

    struct Step {
        std::chrono::seconds at;  // since the first lookup
        const char* kid;
        int status;
        std::string served;
        bool found;
        int requests;
        std::size_t problems;
    };
    const std::string keys1 = Signer().Jwks(), keys2 = OtherSigner().Jwks();
    const std::vector<Step> steps = {
        {0s, "key-1", 200, keys1, true, 1, 0},     // the first lookup fetches
        {30s, "key-1", 200, keys2, true, 1, 0},    // a known kid fetches nothing
        {59s, "key-2", 200, keys2, false, 1, 0},   // unknown, but fetched 59 s ago
        {60s, "key-2", 200, keys2, true, 2, 0},    // a minute on: fetched again
        {61s, "key-1", 200, keys2, false, 2, 0},   // rotated out; within the minute again
        {121s, "key-9", 500, keys1, false, 3, 1},  // an error, whatever its body: the keys stay
        {122s, "key-2", 500, "", true, 3, 1},
        {182s, "key-9", 200, "{", false, 4, 2},  // it serves no JWKS: the keys stay
        {183s, "key-2", 200, keys1, true, 4, 2},
        {600s, "key-2", 200, keys1, true, 4, 2},                           // a known kid, fetched minutes ago: nothing
        {60s + std::chrono::hours(24), "key-2", 200, keys1, false, 5, 2},  // a day after the last good fetch
    };
    const auto start = clock.now;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(i);
        clock.now = start + step.at;
        endpoint.Serve(step.status, step.served);
        EXPECT_EQ(keys->Find(step.kid) != nullptr, step.found);
        EXPECT_EQ(endpoint.Requests(), step.requests);
        EXPECT_EQ(problems.size(), step.problems);
    }
}

TEST(KeysFromUrl, KeepsItsKeysWhenTheDocumentIsTooLargeOrTheServerIsGone) {
    ManualClock clock;
    UrlKeyOptions options = LoopbackOptions(clock);
    options.maxBytes = Signer().Jwks().size();
    auto endpoint = std::make_unique<KeyEndpoint>();
    endpoint->Serve(200, Signer().Jwks());
    auto keys = KeysFromUrl(endpoint->Url(), options);
    ASSERT_TRUE(keys->Find("key-1"));

    clock.now += 61s;
    endpoint->Serve(200, OtherSigner().Jwks() + std::string(1, ' '));
    EXPECT_FALSE(keys->Find("key-2"));
    EXPECT_EQ(endpoint->Requests(), 2);

    endpoint.reset();
    clock.now += 61s;
    EXPECT_FALSE(keys->Find("key-2"));
    EXPECT_TRUE(keys->Find("key-1"));
}

TEST(KeysFromUrl, FetchesOverHttpsOnlyButFromLoopbackInTests) {
    UrlKeyOptions loopback;
    loopback.allowLoopbackHttp = true;
    const std::vector<std::pair<std::string, bool>> cases = {
        {"https://login.microsoftonline.com/common/discovery/v2.0/keys", true},
        {"https://keys.example.dk:8443", true},
        {"https://keys.example.dk:1/keys", true},
        {"https://keys.example.dk:65535/keys", true},
        {"http://login.microsoftonline.com/common/discovery/v2.0/keys", false},
        {"http://127.0.0.2/keys", false},
        {"http://localhost/keys", false},
        {"http://127.0.0.1@keys.example.dk/keys", false},
        {"ftp://keys.example.dk/keys", false},
        {"https:///keys", false},
        {"https://keys.example.dk:0/keys", false},
        {"https://keys.example.dk:443x/keys", false},
        {"https://keys.example.dk:65536/keys", false},
    };
    for (const auto& [url, accepted] : cases) {
        if (accepted) EXPECT_NO_THROW(KeysFromUrl(url, loopback)) << url;
        else EXPECT_THROW(KeysFromUrl(url, loopback), std::invalid_argument) << url;
    }
    EXPECT_NO_THROW(KeysFromUrl("http://127.0.0.1:8080/keys", loopback));
    EXPECT_THROW(KeysFromUrl("http://127.0.0.1:8080/keys"), std::invalid_argument);
}

// A certificate for 127.0.0.1 made with the openssl tool, on the signer's key.
std::filesystem::path LoopbackCertificate(const fakes::TempDir& dir) {
    fakes::WriteFileText(dir.Path() / "key.pem", Signer().PrivatePem());
    const std::string command = "openssl req -x509 -key '" + dir / "key.pem" + "' -out '" + dir / "cert.pem" +
                                "' -days 1 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 2>/dev/null";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("openssl req failed");
    return dir.Path() / "cert.pem";
}

TEST(KeysFromUrl, ChecksTheServersCertificate) {
    fakes::TempDir dir("kvtoken");
    const auto certificate = LoopbackCertificate(dir);
    KeyEndpoint endpoint(std::make_unique<httplib::SSLServer>(certificate.c_str(), (dir / "key.pem").c_str()));
    endpoint.Serve(200, Signer().Jwks());
    ManualClock clock;
    UrlKeyOptions options;
    options.timeout = 5s;
    options.clock = clock.Reader();

    EXPECT_FALSE(KeysFromUrl(endpoint.Url("https"), options)->Find("key-1")) << "a certificate no one vouches for";
    options.caFile = certificate;
    EXPECT_TRUE(KeysFromUrl(endpoint.Url("https"), options)->Find("key-1"));
    EXPECT_EQ(endpoint.Requests(), 1);
}

}  // namespace
}  // namespace kv::token::testing
