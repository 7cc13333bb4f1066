// The import dialog against a large Korvane database (50,000 resources,
// 20,000 jobs) and a document folder with 10,000 sub-folders: how long an
// opening and a tree build take, and the process's peak memory afterwards.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <memory>
#include <string>

#include "adapters/database/open_database.hpp"
#include "adapters/sqlite/demo_database.hpp"
#include "adapters/stdfs/stdfs_file_system.hpp"
#include "context/addin_context.hpp"
#include "dialog/frmKorvane.hpp"
#include "fakes/fake_clock.hpp"
#include "fakes/memory_registry_store.hpp"
#include "fakes/temp_dir.hpp"
#include "ports/ui/headless.hpp"
#include "settings/settings_key.hpp"

namespace {

namespace fs = std::filesystem;
using namespace kv;

constexpr std::int32_t kCustomer = 1002;  // a customer with access and two jobs
constexpr std::int32_t kJob = 100001;     // one of them, active
constexpr int kSubFolders = 10000;

// The benchmarks open no mail.
class NoMailWrappers final : public outlook::MailWrapperFactory {
public:
    std::unique_ptr<outlook::MailWrapper> CreateMailWrapper() override {
        throw Error(errnum::Unexpected, "bench", "no mail wrapper here");
    }
};

double PeakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

// One large Korvane world, built once for all benchmarks.
struct World {
    fakes::TempDir dir;
    sqlite::DemoDatabase demo;
    fakes::MemoryRegistryStore registry;
    adapters::AdapterDatabaseConnector database;
    stdfs::StdFileSystem files;
    fakes::FakeClock clock;
    fakes::FakeRandom random;
    ui::HeadlessPrompts prompts;
    ui::HeadlessView view;
    NoMailWrappers mail;
    std::unique_ptr<AddinContext> ctx;
    std::unique_ptr<frmKorvane> dialog;
    std::string bigFolder;
    double peakAfterSetup = 0;

    World() {
        const std::string dbPath = dir / "korvane.db";
        const std::string docRoot = dir / "docs";
        demo = sqlite::CreateDemoDatabase(dbPath, sqlite::DemoSize::Large, docRoot);
        ctx = std::make_unique<AddinContext>(
            Platform{registry, database, files, clock, random, prompts, view, mail,
                     ModuleInfo{dir.Path().string(), "KVOutlookAddin.dll", 1, 0, 0, 150}});
        ctx->gConnection = database.Open(
            db::ParseProviderString("Provider=SQLOLEDB.1;Initial Catalog=" + dbPath + ";Data Source=(sqlite)"), "");
        ctx->gUserRessId = demo.userRessId;
        ctx->gJobFolderName = demo.jobFolderName;
        ctx->gJobFolderNameArkiv = demo.jobFolderNameArkiv;
        dialog = std::make_unique<frmKorvane>(*ctx);

        // The customer's and the job's folders exist; the job's holds the
        // many sub-folders (each with one of its own, so every expansion
        // finds something to read).
        bigFolder = (fs::path(docRoot) / "Jobs" / std::to_string(kJob)).string();
        for (int i = 0; i < kSubFolders; ++i) {
            fs::create_directories(fs::path(bigFolder) / ("Sag " + std::to_string(i)) / "Bilag");
        }
        // The customer's own folder is the same big one, shown collapsed.
        ctx->gConnection
            ->Execute("UPDATE ResFldPath SET ResFld = ? WHERE RessID = ?", {Value(bigFolder), Value(kCustomer)})
            ->Close();
        peakAfterSetup = PeakMemoryMiB();
    }

    static World& Get() {
        static World world;
        return world;
    }
};

// Opening with a remembered customer and job: the resource list, the job
// list, the job's folder with 10,000 sub-folders expanded one level ahead.
void BM_OpenDialogLarge(benchmark::State& state) {
    World& w = World::Get();
    settings::WriteNumber(w.registry, "RessType", static_cast<std::int32_t>(state.range(0)));
    int listed = 0;
    int nodes = 0;
    for (auto _ : state) {
        w.ctx->gRessId = kCustomer;
        w.ctx->gJobId = kJob;
        w.view.QueueUser([&](ui::Form&) {
            listed = w.dialog->Controls().lstvRess->Count();
            nodes = w.dialog->Controls().treeFolders->Count();
        });
        w.dialog->ShowModal();
    }
    state.counters["resources"] = listed;
    state.counters["tree_nodes"] = nodes;
    state.counters["peak_MiB"] = PeakMemoryMiB();
    state.counters["setup_peak_MiB"] = w.peakAfterSetup;
    state.counters["messages"] = static_cast<double>(w.prompts.Messages().size());
}
BENCHMARK(BM_OpenDialogLarge)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(3);

// The tree alone: the job chosen (root expanded: one listing per
// sub-folder), or only the customer (root collapsed: one listing).
void BM_BuildTree10000(benchmark::State& state) {
    World& w = World::Get();
    const bool withJob = state.range(0) != 0;
    settings::WriteNumber(w.registry, "RessType", 3);
    int nodes = 0;
    w.ctx->gRessId = kCustomer;
    w.ctx->gJobId = 0;
    w.view.QueueUser([&](ui::Form& form) {
        frmKorvane& d = static_cast<frmKorvane&>(form);
        ui::ListView& jobs = *d.Controls().lstvJobs;
        for (auto _ : state) {
            jobs.SetSelectedItem(withJob ? jobs.Find("J" + std::to_string(kJob)) : nullptr);
            d.BuildFolderView();
        }
        nodes = d.Controls().treeFolders->Count();
    });
    w.dialog->ShowModal();
    state.counters["tree_nodes"] = nodes;
    state.counters["peak_MiB"] = PeakMemoryMiB();
    state.counters["setup_peak_MiB"] = w.peakAfterSetup;
}
BENCHMARK(BM_BuildTree10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
