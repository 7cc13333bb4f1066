// Filing n mails of about 20 KB into one job of the demo world: over HTTPS
// with kvfiled (one client, then four at once: mails per second, p50 and p99
// latency of a filing), next to kvimport's import of the same mails from
// its stand-in mail store in the same run (mails per second). The service
// is meant to reach at least 0.8 of kvimport's rate.
//
//   kv_service_bench                                 20 mails (as CI runs it, once)
//   KV_SERVICE_BENCH_MAILS=500 kv_service_bench      the measurement
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "bench_mail.hpp"
#include "adapters/database/open_database.hpp"
#include "adapters/mailstore/mail_store.hpp"
#include "import/import_command.hpp"
#include "service/demo_world.hpp"
#include "service/service_start.hpp"
#include "service/token_authenticator.hpp"
#include "settings/connection_text.hpp"
#include "settings/load_settings.hpp"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int Mails() {
    const char* text = std::getenv("KV_SERVICE_BENCH_MAILS");
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 20;
}

// A demo world and kvfiled serving it, for the whole run.
struct World {
    std::filesystem::path dir =
        fs::temp_directory_path() / ("kv-service-bench-" + std::to_string(std::random_device()()));
    kv::service::DemoWorld demo = kv::service::MakeDemoWorld(dir / "world", 0);
    std::unique_ptr<kv::service::FilingServer> server;
    std::thread serving;
    int port = 0;
    std::vector<std::string> mails;

    World() {
        server = std::make_unique<kv::service::FilingServer>(kv::service::MakeServerOptions(demo.config, {}),
                                                             kv::service::MakeServiceWorld(demo.config),
                                                             kv::service::MakeTokenAuthenticator(demo.config));
        port = server->Bind();
        serving = std::thread([this] { server->Serve(); });
        for (int i = 0; i < Mails(); ++i) mails.push_back(kv::bench::MakeBenchMail(i));
    }
    ~World() {
        server->Stop();
        serving.join();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    static World& Get() {
        static World world;
        return world;
    }
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

// Each iteration files every mail once, split among the clients.
void Http(benchmark::State& state) {
    World& world = World::Get();
    const int clients = static_cast<int>(state.range(0));
    const std::string path = "/api/v1/mails?ressId=100&jobId=417&duplicate=file";
    std::vector<double> latencies;
    std::mutex latenciesLock;
    std::int64_t filed = 0;
    for (auto _ : state) {
        std::vector<std::thread> threads;
        std::atomic<int> next{0};
        for (int c = 0; c < clients; ++c) {
            threads.emplace_back([&] {
                httplib::SSLClient client("127.0.0.1", world.port);
                client.enable_server_certificate_verification(false);
                client.set_keep_alive(true);  // as a browser keeps its connection
                client.set_tcp_nodelay(true);
                client.set_read_timeout(60, 0);
                const httplib::Headers headers = {{"Authorization", "Bearer " + world.demo.users.front().token}};
                for (int i; (i = next.fetch_add(1)) < static_cast<int>(world.mails.size());) {
                    const auto start = Clock::now();
                    const auto result = client.Post(path.c_str(), headers, world.mails[i], "message/rfc822");
                    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                    if (!result || result->status != 201) {
                        state.SkipWithError("a filing failed");
                        return;
                    }
                    const std::lock_guard guard(latenciesLock);
                    latencies.push_back(ms);
                }
            });
        }
        for (std::thread& t : threads) t.join();
        filed += static_cast<std::int64_t>(world.mails.size());
    }
    state.counters["mails/s"] = benchmark::Counter(static_cast<double>(filed), benchmark::Counter::kIsRate);
    state.counters["p50_ms"] = Percentile(latencies, 0.50);
    state.counters["p99_ms"] = Percentile(latencies, 0.99);
}
BENCHMARK(Http)->Arg(1)->Arg(4)->ArgName("clients")->UseRealTime()->Unit(benchmark::kMillisecond);

// kvimport's import of the same mails: selected in its stand-in mail store
// and filed by the same command, into another job of the same world.
void Kvimport(benchmark::State& state) {
    World& world = World::Get();
    const fs::path storeDir = world.dir / "store";
    auto store = kv::mailstore::MailStore::Create(storeDir, "Mette", "mette@korvane.example");
    for (std::size_t i = 0; i < world.mails.size(); ++i) {
        const fs::path file = world.dir / ("mail" + std::to_string(i) + ".eml");
        std::ofstream(file, std::ios::binary) << world.mails[i];
        store->AddItemFile("Inbox", file);
    }
    auto explorer = store->OpenExplorer("Inbox");
    store->Select(*explorer, store->Items("Inbox"));

    kv::regfile::RegFileStore registry(world.dir / "kvimport.reg");
    kv::adapters::AdapterDatabaseConnector database;
    kv::stdfs::StdFileSystem files;
    kv::SystemClock clock;
    kv::SystemRandom random;
    kv::service::ServicePrompts prompts(kv::service::DuplicateAnswer::File);
    kv::ui::HeadlessView view;
    kv::AddinContext ctx(kv::Platform{registry, database, files, clock, random, prompts, view, *store, {}});
    ctx.gConnection = database.Open(kv::ParseConnectionText(world.demo.config.connectionText), "");
    ctx.gUserRessId = world.demo.users.front().userRessId;
    ctx.gJobFolderName = kv::GetSysVariable(ctx, "DocHandlingJobFolderName");
    ctx.gJobFolderNameArkiv = kv::GetSysVariable(ctx, "DocHandlingJobFolderNameArkiv");
    kv::ImportChoice choice;
    choice.ressId = 100;
    choice.jobId = 418;
    choice.folderPath = files.GetFolder((world.dir / "world" / "dokumenter" / "Jobs" / "418").string()).Path() + "/";
    std::int64_t filed = 0;
    for (auto _ : state) {
        kv::ImportProgress progress;
        if (!kv::RunImport(ctx, choice, kv::ImportSource{false, nullptr, explorer}, progress))
            state.SkipWithError("the import failed");
        filed += progress.filed;
    }
    state.counters["mails/s"] = benchmark::Counter(static_cast<double>(filed), benchmark::Counter::kIsRate);
}
BENCHMARK(Kvimport)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
