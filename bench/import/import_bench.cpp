// Importing n mails of about 20 KB (one attachment each) into one job of
// the demo database, end to end through cmdImport_Click: mails per second,
// next to the floor measured in the same run (the same .msg bytes written
// and synced to the disk, the same rows inserted and filed, with no add-in
// logic), and how much
// the import raises the process's peak memory (getrusage ru_maxrss), which
// should not grow with the number of mails.
//
// The file system removes nothing while the benchmarks run: on ext4 without
// a journal a new file skips every inode freed in the last minute (five while
// their block of the inode table is not yet written, as a rename leaves it),
// so files removed just before a timed run would make each file it creates
// slower, the more the slower. The mails' sources stay beside the store, the
// floor's .msg files each have their own name, and every world's folder is
// removed when all have run. Files other processes removed still count.
//
// The stand-in host reads items on demand and keeps only the last few, so
// the import's peak for 10,000 mails should stay within 5 MB of the peak
// for 1,000: as the import's growth here, and as the peak of a kvimport
// process filing them (BM_Kvimport), which holds nothing of this one's setup.
//
//   kv_import_bench                                     20 mails (a few seconds, as CI runs it)
//   KV_IMPORT_BENCH_MAILS=1000,10000 kv_import_bench    the full measurement
//   KV_KVIMPORT=other/kvimport kv_import_bench          another kvimport in BM_Kvimport
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench_mail.hpp"
#include "adapters/regfile/regfile_store.hpp"
#include "dialog/frmKorvane.hpp"
#include "fakes/addin_harness.hpp"
#include "ports/ui/headless.hpp"
#include "support/c_registry.hpp"

namespace {

namespace fs = std::filesystem;
namespace demo = kv::sqlite::demo;
using kv::Value;

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long CurrentRssKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

std::int64_t MsgFilesIn(const std::string& folder) {
    std::int64_t n = 0;
    for (const auto& e : fs::directory_iterator(folder)) n += e.path().extension() == ".msg" ? 1 : 0;
    return n;
}

// A demo world with n mails in the Inbox, all selected.
struct World {
    explicit World(int n) {
        (void)h.Load();
        const fs::path sources = h.dir.Path() / "sources";
        fs::create_directory(sources);
        // The harness writes down every statement; over thousands of mails
        // that list, not the import, would fill the memory measured.
        h.ctx->gConnection = h.realDatabase.Open(kv::db::ParseProviderString(h.ctx->gConnectionString), {});
        for (int i = 0; i < n; ++i) {
            const fs::path source = sources / ("mail" + std::to_string(i) + ".eml");
            std::ofstream(source, std::ios::binary) << kv::bench::MakeBenchMail(i);
            mails.push_back(h.store->AddItemFile("Inbox", source));
        }
        explorer = h.store->OpenExplorer("Inbox");
        h.store->Select(*explorer, mails);
        h.ctx->gImportExplorer = explorer;
        h.ctx->gImportFromInspector = false;
        jobFolder = (fs::path(h.docRoot) / "Jobs" / std::to_string(demo::ActiveJob)).string();
    }

    // Lets go of everything but the world's folder, which RemoveWorlds removes.
    ~World() { Kept().push_back(h.dir.Release()); }
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    static std::vector<fs::path>& Kept() {
        static std::vector<fs::path> folders;
        return folders;
    }
    static void RemoveWorlds() {
        std::error_code ignored;
        for (const fs::path& folder : Kept()) fs::remove_all(folder, ignored);
        Kept().clear();
    }

    // Closes the store, as the process that made it would, so that another
    // may open it.
    void ReleaseStore() {
        mails.clear();
        explorer.reset();
        h.ctx.reset();
        h.mailWrappers.reset();
        h.store.reset();
    }

    // Presses "Import" with the job chosen, as a user would.
    void Import() {
        kv::frmKorvane dialog(*h.ctx);
        h.view.QueueUser([&](kv::ui::Form& form) {
            const auto& c = dialog.Controls();
            // The dialog may have listed them already; a key is there once.
            const std::string ressKey = "R" + std::to_string(demo::CustomerWithJobs);
            auto* ress = c.lstvRess->Find(ressKey);
            if (!ress) {
                ress = &c.lstvRess->Add(ressKey, "Kunde");
                ress->SetTag(Value(3));
            }
            c.lstvRess->SetSelectedItem(ress);
            const std::string jobKey = "J" + std::to_string(demo::ActiveJob);
            auto* job = c.lstvJobs->Find(jobKey);
            if (!job) {
                job = &c.lstvJobs->Add(jobKey, "417");
                job->SetTag(Value(demo::ActiveJob));
            }
            c.lstvJobs->SetSelectedItem(job);
            c.treeFolders->Clear();
            auto& root = c.treeFolders->Add(0, kv::ui::Relationship::Last, "417");
            root.SetTag(jobFolder);
            c.treeFolders->SetSelectedItem(&root);
            kv::ui::user::ClickButton(form, "cmdImport");
        });
        dialog.ShowModal();
    }

    kv::fakes::AddinHarness h;
    std::vector<std::shared_ptr<kv::outlook::Item>> mails;
    std::shared_ptr<kv::outlook::Explorer> explorer;
    std::string jobFolder;
};

void BM_ImportMails(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::int64_t files = 0;
    long peakGrowth = 0, rssGrowth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>(n);
        sync();  // the setup's writes are not the import's to wait for
        const long peakBefore = PeakRssKb();
        const long rssBefore = CurrentRssKb();
        state.ResumeTiming();
        world->Import();
        state.PauseTiming();
        peakGrowth = PeakRssKb() - peakBefore;
        rssGrowth = CurrentRssKb() - rssBefore;
        files = MsgFilesIn(world->jobFolder);
        if (!world->h.prompts.Messages().empty() || files != n)
            state.SkipWithError("the import did not file every mail");
        world.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["files"] = static_cast<double>(files);
    state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKb());
    state.counters["import_peak_growth_kb"] = static_cast<double>(peakGrowth);
    state.counters["import_rss_growth_kb"] = static_cast<double>(rssGrowth);
}

// A new file with bytes, its data and its name on the disk before the row
// that points at it, as the import has them.
void WriteDurably(const std::string& folder, const std::string& name, const std::string& bytes) {
    const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                         ::fdatasync(fd) == 0;
    if (fd >= 0) ::close(fd);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool named = dir >= 0 && ::fsync(dir) == 0;
    if (dir >= 0) ::close(dir);
    if (!written || !named) throw std::runtime_error("the floor could not write " + folder + name);
}

// kvimport itself, a process of its own, filing the n mails of a store it
// opens: its peak memory is what a user's machine must have, and should not
// grow with the number of mails. The world is made here and let go of, the
// store's lock with it, before kvimport starts.
void BM_Kvimport(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>(n);
        const fs::path registry = world->h.dir.Path() / "registry.reg";
        {
            kv::regfile::RegFileStore store(registry);
            kv::cRegistry reg(store);
            reg.SetClassKey(kv::cRegistry::HkeyCurrentUser);
            reg.SetSectionKey(kv::settings::kSettingsKey);
            reg.SetValueKey("DBCn");
            reg.SetValueType(kv::cRegistry::RegSz);
            reg.SetValue(Value("SERVER=(sqlite);DATABASE=" + world->h.dbPath));
            kv::settings::WriteNumber(store, "UserRessId", world->h.demo.userRessId);
        }
        const std::string store = (world->h.dir.Path() / "mail").string();
        world->ReleaseStore();
        sync();
        // KV_KVIMPORT names another build's kvimport, to compare with.
        const char* other = std::getenv("KV_KVIMPORT");
        const std::vector<std::string> args = {other && *other ? other : KV_KVIMPORT,
                                               "import",
                                               "--registry",
                                               registry.string(),
                                               "--store",
                                               store,
                                               "--all",
                                               "--job",
                                               std::to_string(demo::ActiveJob)};
        state.ResumeTiming();
        const pid_t child = fork();
        if (child == 0) {
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            const int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, STDOUT_FILENO);
            ::execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        const bool waited = child > 0 && ::wait4(child, &status, 0, &usage) == child;
        state.PauseTiming();
        peak = usage.ru_maxrss;
        if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || MsgFilesIn(world->jobFolder) != n)
            state.SkipWithError("kvimport did not file every mail");
        world.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["kvimport_peak_rss_kb"] = static_cast<double>(peak);
}

// The same .msg bytes written to new files and the same rows inserted and
// filed by the procedure, straight through the ports.
void BM_Floor(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto world = std::make_unique<World>(n);
        // The bytes an import writes: one .msg of each mail, saved beforehand.
        std::vector<std::string> bytes;
        for (int i = 0; i < n; ++i) {
            auto wrapper = world->h.store->CreateMailWrapper();
            wrapper->SetItem(world->mails[static_cast<std::size_t>(i)]);
            const fs::path file = world->h.dir.Path() / ("floor" + std::to_string(i) + ".msg");
            wrapper->SaveAs(file.string(), kv::outlook::SaveAsMsg);
            std::ifstream in(file, std::ios::binary);
            bytes.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        kv::db::Connection& cn = *world->h.ctx->gConnection;
        const std::string folder = world->jobFolder + "/";
        sync();
        state.ResumeTiming();
        for (int i = 0; i < n; ++i) {
            const std::string name = "Tilbud nr_ " + std::to_string(i) + ".msg";
            WriteDurably(folder, name, bytes[static_cast<std::size_t>(i)]);
            auto set = cn.OpenInsertSet("SELECT * FROM DocMailImport WHERE ImpId = -1 ");
            set->AddNew();
            set->SetField("DocTitle", Value(name.substr(0, name.size() - 4)));
            set->SetField("DocAuthorId", Value(demo::UserRessId));
            set->SetField("ResId", Value(demo::CustomerWithJobs));
            set->SetField("JobId", Value(demo::ActiveJob));
            set->SetField("DocDate", Value(kv::DateTime{2024, 3, 5, 14, 7, 9}));
            set->SetField("FExt", Value("msg"));
            set->SetField("FSize", Value(static_cast<std::int32_t>(bytes[static_cast<std::size_t>(i)].size())));
            set->SetField("FName", Value(name));
            set->SetField("IconID", Value(34));
            set->SetField("Subject", Value(name));
            set->SetField("Sender", Value("Salg [salg@kunde.dk]"));
            set->SetField("Received", Value(kv::DateTime{2024, 3, 5, 14, 7, 9}));
            set->SetField("Attachments", Value(1));
            set->SetField("Importance", Value(1));
            set->SetField("mailto", Value("Mette"));
            set->SetField("Body", Value("Hej, her er tilbuddet.\r\n"));
            set->SetField("OrdId", Value(i));
            set->Update();
            set->Close();
            auto call = cn.CreateProcedureCall("DocMailImportExec");
            call->Refresh();
            call->SetParameter(1, Value(i));
            call->Execute();
            if (call->Parameter(0).ToInt() != 0) state.SkipWithError("the procedure failed");
        }
        state.PauseTiming();
        world.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKb());
}

std::vector<int> Sizes() {
    std::vector<int> sizes;
    const char* text = std::getenv("KV_IMPORT_BENCH_MAILS");
    std::stringstream list(text && *text ? text : "20");
    for (std::string item; std::getline(list, item, ',');)
        if (const int n = std::atoi(item.c_str()); n > 0) sizes.push_back(n);
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    // Import at every size first, so the floor's buffers do not hide its peak.
    const std::pair<const char*, void (*)(benchmark::State&)> benchmarks[] = {
        {"BM_ImportMails", BM_ImportMails}, {"BM_Floor", BM_Floor}, {"BM_Kvimport", BM_Kvimport}};
    for (const auto& [name, run] : benchmarks) {
        auto* bench = benchmark::RegisterBenchmark(name, run);
        for (int n : Sizes()) bench->Arg(n);
        bench->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    World::RemoveWorlds();
    benchmark::Shutdown();
    return 0;
}
