#pragma once
// kvfiled's HTTP side: the API routes under /api/v1, each request checked
// for its token and run on its own add-in context by a pool of threads, and
// the task pane's files under /addin/.
#include <filesystem>
#include <memory>
#include <string>

#include "service/authenticator.hpp"
#include "service/request_context.hpp"

namespace kv::service {

struct ServerOptions {
    std::string address = "127.0.0.1";
    int port = 0;                                   // 0: a free port
    std::filesystem::path certificate, privateKey;  // both empty: plain HTTP, for behind a TLS proxy
    std::filesystem::path webRoot;                  // empty: no task pane served
    std::size_t maxUploadBytes = 25u << 20;
    int threads = 8;
};

class FilingServer {
public:
    // Fails (kv::Error) when the certificate cannot be loaded or the web
    // root is no folder.
    FilingServer(ServerOptions options, ServiceWorld world, std::shared_ptr<const Authenticator> authenticator);
    ~FilingServer();
    FilingServer(const FilingServer&) = delete;
    FilingServer& operator=(const FilingServer&) = delete;

    // Binds the listening socket and returns its port; kv::Error when it cannot.
    int Bind();
    // Serves until Stop; returns false when serving failed.
    bool Serve();
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kv::service
