// kvfiled: the filing service. Started with its configuration, or with
// --demo on a demo world it makes itself.
#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>

#include "service/demo_world.hpp"
#include "service/service_start.hpp"
#include "service/token_authenticator.hpp"

namespace {

kv::service::FilingServer* running = nullptr;

void StopOnSignal(int) {
    if (running != nullptr) running->Stop();
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"kvfiled: files mails into Korvane over HTTPS for the Outlook web add-in"};
    std::string configFile, demoDir, webRoot;
    int demoPort = 0;
    auto* config = app.add_option("--config", configFile, "the service's configuration (JSON)");
    auto* demo = app.add_option("--demo", demoDir, "make a demo world in this new folder and serve it");
    app.add_option("--port", demoPort, "with --demo: the port (0 takes a free one)");
    app.add_option("--web-root", webRoot, "the task pane's built files, served under /addin/");
    config->excludes(demo);
    CLI11_PARSE(app, argc, argv);
    if (configFile.empty() == demoDir.empty()) {
        std::cerr << "kvfiled: give --config FILE or --demo DIR\n";
        return 2;
    }
    try {
        kv::service::ServiceConfig settings;
        std::vector<kv::service::DemoUser> demoUsers;
        if (!demoDir.empty()) {
            kv::service::DemoWorld world = kv::service::MakeDemoWorld(demoDir, demoPort);
            settings = world.config;
            demoUsers = world.users;
            std::cout << "Demo world in " << demoDir << " (configuration " << world.configFile.string() << ")\n";
        } else {
            settings = kv::service::LoadServiceConfig(configFile);
        }
        kv::service::FilingServer server(kv::service::MakeServerOptions(settings, webRoot),
                                         kv::service::MakeServiceWorld(settings),
                                         kv::service::MakeTokenAuthenticator(settings));
        const int port = server.Bind();
        const std::string scheme = settings.certificate.empty() ? "http" : "https";
        std::cout << "kvfiled listens on " << scheme << "://" << settings.address << ":" << port << "/api/v1\n";
        if (!webRoot.empty())
            std::cout << "task pane: " << scheme << "://" << settings.address << ":" << port
                      << "/addin/taskpane.html\n";
        for (const auto& user : demoUsers)
            std::cout << "token of demo user " << user.userRessId << ":\n" << user.token << "\n";
        if (!demoUsers.empty())
            std::cout << "try: curl -k -H \"Authorization: Bearer $TOKEN\" " << scheme << "://" << settings.address
                      << ":" << port << "/api/v1/me\n";
        std::cout.flush();
        running = &server;
        std::signal(SIGINT, StopOnSignal);
        std::signal(SIGTERM, StopOnSignal);
        const bool served = server.Serve();
        running = nullptr;
        return served ? 0 : 1;
    } catch (const kv::Error& e) {
        std::cerr << "kvfiled: " << e.Description() << "\n";
        return 3;
    }
}
