#include "service/filing_server.hpp"

#include <sys/socket.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "adapters/database/open_database.hpp"
#include "service/routes.hpp"
#include "support/utf.hpp"

namespace kv::service {

namespace {

constexpr std::size_t kKeepAliveRequests = 1000;
constexpr time_t kKeepAliveSeconds = 60;
constexpr time_t kTransferSeconds = 60;

// The token of an "Authorization: Bearer <token>" header (the scheme in any
// case); "" for none.
std::string BearerToken(const httplib::Request& req) {
    const std::string header = req.get_header_value("Authorization");
    constexpr std::string_view kScheme = "bearer ";
    if (header.size() <= kScheme.size() || utf::AsciiLower(header.substr(0, kScheme.size())) != kScheme) return {};
    return header.substr(kScheme.size());
}

void Send(httplib::Response& res, const ApiReply& reply) {
    res.status = reply.status;
    if (!reply.body.empty()) res.set_content(reply.body, reply.contentType.c_str());
}

const char* LibraryRefusalText(int status) {
    switch (status) {
    case 404: return "No such route";
    case 413: return "The request is larger than the service takes";
    default: return "The request was refused";
    }
}

}  // namespace

struct FilingServer::Impl {
    ServerOptions options;
    ServiceWorld world;
    std::shared_ptr<const Authenticator> authenticator;
    std::unique_ptr<httplib::Server> server;
    // httplib stops only a server already listening: a stop that comes
    // before Serve has begun is remembered, one that comes while it begins
    // waits until it listens.
    std::atomic<bool> serving{false}, stopRequested{false};

    // The caller, or the refusal: 401 for no or a bad token, 403 for a user
    // the map does not know.
    Caller Authenticate(const httplib::Request& req) const {
        const AuthResult result = authenticator->Authenticate(BearerToken(req));
        switch (result.outcome) {
        case AuthResult::Outcome::Accepted: return result.caller;
        case AuthResult::Outcome::Unmapped: Refuse(403, "The signed-in user is no Korvane user");
        case AuthResult::Outcome::BadToken: break;
        }
        Refuse(401, "A valid access token is needed");
    }

    void Handle(Route route, const httplib::Request& req, httplib::Response& res) const {
        ApiReply reply;
        try {
            ApiRequest api;
            api.caller = Authenticate(req);
            for (std::size_t i = 1; i < req.matches.size(); ++i) api.pathParts.push_back(req.matches[i]);
            for (const auto& [name, value] : req.params) api.query.emplace(name, value);
            api.contentType = req.get_header_value("Content-Type");
            api.body = req.body;
            RequestContext request(world, api.caller.userRessId);
            request.Connect();
            try {
                reply = route(request, api);
            } catch (const ApiError&) {
                request.Release();  // a refusal leaves the connection as good as it was
                throw;
            }
            request.Release();
        } catch (const ApiError& e) {
            reply = ErrorReply(e);
        } catch (const Error& e) {
            reply = ErrorReply({500, "internal", e.Description()});
        } catch (const std::exception& e) {
            reply = ErrorReply({500, "internal", e.what()});
        }
        if (reply.status == 401) res.set_header("WWW-Authenticate", "Bearer error=\"invalid_token\"");
        Send(res, reply);
    }

    void Health(httplib::Response& res) const {
        bool up = false;
        try {
            up = adapters::OpenDatabase(world.database.connection, world.database.odbcDriver) != nullptr;
        } catch (const Error&) {
            up = false;
        }
        Send(res, {up ? 200 : 503, up ? R"({"status":"ok"})" : R"({"status":"unavailable"})"});
    }

    void Routes() {
        struct Entry {
            const char* method;
            const char* pattern;
            Route route;
        };
        static const Entry kRoutes[] = {
            {"GET", "/me", GetMe},
            {"PUT", "/me/settings", PutMeSettings},
            {"GET", "/resource-types", GetResourceTypes},
            {"GET", "/resources", GetResources},
            {"GET", R"(/resources/(-?\d+)/jobs)", GetJobs},
            {"GET", R"(/jobs/by-number/(-?\d+))", GetJobByNumber},
            {"GET", R"(/resources/(-?\d+)/jobs/by-name)", GetJobByName},
            {"GET", "/folders", GetFolders},
            {"POST", "/folders", PostFolder},
            {"POST", "/mails/check", PostMailCheck},
            {"POST", "/mails", PostMail},
        };
        server->Get("/api/v1/health", [this](const httplib::Request&, httplib::Response& res) { Health(res); });
        for (const Entry& entry : kRoutes) {
            const std::string pattern = std::string("/api/v1") + entry.pattern;
            auto handler = [this, route = entry.route](const httplib::Request& req, httplib::Response& res) {
                Handle(route, req, res);
            };
            const std::string method = entry.method;
            if (method == "GET") server->Get(pattern, handler);
            else if (method == "PUT") server->Put(pattern, handler);
            else server->Post(pattern, handler);
        }
        // Refusals the library makes itself (too large, no such route) get
        // the API's error body too.
        server->set_error_handler(
            httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
                if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
                const int status = res.status;
                Send(res, ErrorReply({status, ErrorCode(status), LibraryRefusalText(status)}));
                return httplib::Server::HandlerResponse::Handled;
            }));
    }
};

FilingServer::FilingServer(ServerOptions options, ServiceWorld world,
                           std::shared_ptr<const Authenticator> authenticator)
    : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
    impl_->world = std::move(world);
    impl_->authenticator = std::move(authenticator);
    const ServerOptions& o = impl_->options;
    if (o.certificate.empty()) {
        impl_->server = std::make_unique<httplib::Server>();
    } else {
        auto tls = std::make_unique<httplib::SSLServer>(o.certificate.c_str(), o.privateKey.c_str());
        if (!tls->is_valid())
            throw Error(
                errnum::InvalidArgument, "kvfiled",
                "cannot load the certificate " + o.certificate.string() + " with its key " + o.privateKey.string());
        impl_->server = std::move(tls);
    }
    httplib::Server& server = *impl_->server;
    const int threads = o.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
    // Headers and body go out in separate writes; Nagle's wait on the second
    // would cost a kept-alive connection a delayed acknowledgement each time.
    server.set_tcp_nodelay(true);
    // httplib's default sets SO_REUSEPORT, with which a second instance
    // started on the same port would share it and take half its connections.
    // SO_REUSEADDR alone still lets a restart bind past TIME_WAIT.
    server.set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_keep_alive_max_count(kKeepAliveRequests);
    server.set_keep_alive_timeout(kKeepAliveSeconds);
    server.set_read_timeout(kTransferSeconds, 0);
    server.set_write_timeout(kTransferSeconds, 0);
    server.set_payload_max_length(o.maxUploadBytes);
    if (!o.webRoot.empty() && !server.set_mount_point("/addin", o.webRoot.string()))
        throw Error(errnum::InvalidArgument, "kvfiled", "the web root " + o.webRoot.string() + " is no folder");
    impl_->Routes();
}

FilingServer::~FilingServer() { Stop(); }

int FilingServer::Bind() {
    const ServerOptions& o = impl_->options;
    const int port = o.port == 0 ? impl_->server->bind_to_any_port(o.address)
                                 : (impl_->server->bind_to_port(o.address, o.port) ? o.port : -1);
    if (port < 0)
        throw Error(errnum::InvalidArgument, "kvfiled", "cannot listen on " + o.address + ":" + std::to_string(o.port));
    return port;
}

bool FilingServer::Serve() {
    impl_->serving = true;
    const bool served = impl_->stopRequested || impl_->server->listen_after_bind();
    impl_->serving = false;
    return served;
}

void FilingServer::Stop() {
    if (!impl_ || !impl_->server) return;
    impl_->stopRequested = true;
    // Bounded: a signal handler runs on the serving thread itself, which
    // cannot begin listening while the handler waits.
    for (int waited = 0; waited < 2000 && impl_->serving && !impl_->server->is_running(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    impl_->server->stop();
}

}  // namespace kv::service
