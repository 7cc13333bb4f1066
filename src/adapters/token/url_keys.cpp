#include <atomic>
#include <charconv>
#include <limits>
#include <mutex>
#include <optional>
#include <stdexcept>

#include <httplib.h>

#include "token/key_cache.hpp"
#include "token/key_source.hpp"

namespace kv::token {

namespace {

struct Address {
    bool https = true;
    std::string host;
    int port = 443;
    std::string path = "/";
};

int PortOf(std::string_view text, const std::string& url) {
    int port = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        throw std::invalid_argument("bad port in the key address " + url);
    return port;
}

// https://host[:port][/path]; http:// only to 127.0.0.1 and only when the
// options allow it (tests, which have no certificate to offer).
Address ParseAddress(const std::string& url, bool allowLoopbackHttp) {
    Address address;
    std::string_view rest = url;
    if (rest.starts_with("https://")) {
        rest.remove_prefix(8);
    } else if (rest.starts_with("http://")) {
        rest.remove_prefix(7);
        address.https = false;
        address.port = 80;
    } else {
        throw std::invalid_argument("the key address must start with https://: " + url);
    }
    const auto slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos) address.path = std::string(rest.substr(slash));
    const auto colon = authority.find(':');
    address.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) address.port = PortOf(authority.substr(colon + 1), url);
    if (address.host.empty() || address.host.find_first_of("@[]") != std::string::npos)
        throw std::invalid_argument("no usable host in the key address " + url);
    if (!address.https && !(allowLoopbackHttp && address.host == "127.0.0.1"))
        throw std::invalid_argument("keys are fetched over https only: " + url);
    return address;
}

class UrlKeys final : public KeySource {
public:
    UrlKeys(std::string url, UrlKeyOptions options)
        : url_(std::move(url)), address_(ParseAddress(url_, options.allowLoopbackHttp)), options_(std::move(options)) {}

    std::shared_ptr<const PublicKey> Find(std::string_view kid) override {
        if (auto key = cache_.Find(kid); key && !Stale()) return key;
        std::lock_guard lock(fetchMutex_);
        // Another thread may have fetched while this one waited.
        auto key = cache_.Find(kid);
        if (key && !Stale()) return key;
        const auto now = options_.clock();
        if (lastAttempt_ && now - *lastAttempt_ < options_.refreshInterval) return key;
        lastAttempt_ = now;
        try {
            cache_.Replace(ParseJwks(Fetch()));
            fetched_.store(now.time_since_epoch().count());
        } catch (const std::exception& error) {
            if (options_.log) options_.log(url_ + ": " + error.what() + "; the keys fetched before are kept");
        }
        return cache_.Find(kid);
    }

private:
    bool Stale() const {
        const auto fetched = fetched_.load();
        return fetched == NeverFetched ||
               options_.clock().time_since_epoch().count() - fetched >=
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(options_.maxAge).count();
    }

    std::unique_ptr<httplib::ClientImpl> Client() const {
        if (!address_.https) return std::make_unique<httplib::ClientImpl>(address_.host, address_.port);
        auto client = std::make_unique<httplib::SSLClient>(address_.host, address_.port);
        client->enable_server_certificate_verification(true);
        if (!options_.caFile.empty()) client->set_ca_cert_path(options_.caFile.string());
        return client;
    }

    std::string Fetch() const {
        auto client = Client();
        const auto seconds = static_cast<time_t>(options_.timeout.count());
        client->set_connection_timeout(seconds);
        client->set_read_timeout(seconds);
        client->set_write_timeout(seconds);
        std::string body;
        bool tooLarge = false;
        auto result = client->Get(address_.path, [&](const char* data, std::size_t size) {
            tooLarge = body.size() + size > options_.maxBytes;
            if (!tooLarge) body.append(data, size);
            return !tooLarge;
        });
        if (tooLarge)
            throw std::runtime_error("key document larger than " + std::to_string(options_.maxBytes) + " bytes");
        if (!result) throw std::runtime_error("fetch failed: " + httplib::to_string(result.error()));
        if (result->status != 200) throw std::runtime_error("fetch answered " + std::to_string(result->status));
        return body;
    }

    static constexpr std::chrono::steady_clock::rep NeverFetched =
        std::numeric_limits<std::chrono::steady_clock::rep>::min();

    const std::string url_;
    const Address address_;
    const UrlKeyOptions options_;
    KeyCache cache_;
    std::atomic<std::chrono::steady_clock::rep> fetched_{NeverFetched};
    std::mutex fetchMutex_;  // one fetch at a time; guards lastAttempt_
    std::optional<std::chrono::steady_clock::time_point> lastAttempt_;
};

}  // namespace

std::unique_ptr<KeySource> KeysFromUrl(std::string url, UrlKeyOptions options) {
    return std::make_unique<UrlKeys>(std::move(url), std::move(options));
}

}  // namespace kv::token
