// kvimport demo DIR: a complete Korvane world in one folder — database,
// document folders, a mail store with Danish sample mails and the settings.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "adapters/mailstore/mail_store.hpp"
#include "adapters/regfile/regfile_store.hpp"
#include "adapters/sqlite/demo_database.hpp"
#include "app/commands.hpp"
#include "app/exit_codes.hpp"
#include "settings/settings_key.hpp"
#include "support/c_registry.hpp"

namespace kv::app {
namespace fs = std::filesystem;
namespace {

fs::path DemoMailDir() {
    if (const char* env = std::getenv("KV_DEMO_MAIL_DIR"); env && *env) return env;
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path installed = exe.parent_path().parent_path() / "share" / "kvimport" / "mail";
        if (fs::is_directory(installed)) return installed;
    }
    return KV_DEMO_MAIL_DIR;
}

// Drafts go to Drafts, appointments to the calendar, the rest to the inbox.
std::string FolderFor(const fs::path& file) {
    std::string ext = file.extension().string();
    if (ext == ".ics") return "Calendar";
    if (ext == ".vcf") return "Contacts";
    if (file.filename().string().rfind("kladde", 0) == 0) return "Drafts";
    return "Inbox";
}

void WriteSettings(const fs::path& file, const std::string& dbcn, std::int32_t userRessId) {
    regfile::RegFileStore store(file);
    cRegistry reg(store);
    reg.SetClassKey(cRegistry::HkeyCurrentUser);
    reg.SetSectionKey(settings::kSettingsKey);
    reg.SetValueKey("DBCn");
    reg.SetValueType(cRegistry::RegSz);
    reg.SetValue(Value(dbcn));
    settings::WriteNumber(store, "UserRessId", userRessId);
}

}  // namespace

int RunDemo(const std::string& dirText) {
    fs::path dir = fs::absolute(dirText);
    std::error_code ec;
    if (fs::exists(dir) && !fs::is_directory(dir))
        BadArgument(dir.string() + " is a file; give DIR a new or empty folder");
    if (fs::is_directory(dir) && !fs::is_empty(dir, ec))
        BadArgument(dir.string() + " is not empty; give DIR a new or empty folder");
    fs::path mailSource = DemoMailDir();
    if (!fs::is_directory(mailSource))
        throw CommandError(exitcode::ImportFailed, "the sample mails are missing (" + mailSource.string() +
                                                       "); set KV_DEMO_MAIL_DIR to the demo/mail folder");
    fs::create_directories(dir);

    auto demo = sqlite::CreateDemoDatabase((dir / "korvane.db").string(), sqlite::DemoSize::Small,
                                           (dir / "dokumenter").string());
    auto store = mailstore::MailStore::Create(dir / "mail", "Demo Bruger", "demo@korvane.example");
    std::vector<fs::path> samples;
    for (const auto& entry : fs::directory_iterator(mailSource))
        if (entry.is_regular_file()) samples.push_back(entry.path());
    std::sort(samples.begin(), samples.end());
    int copied = 0;
    for (const auto& sample : samples) {
        std::string ext = sample.extension().string();
        if (ext != ".eml" && ext != ".ics" && ext != ".vcf") continue;
        store->AddItemFile(FolderFor(sample), sample);
        ++copied;
    }
    WriteSettings(dir / "registry.reg", "SERVER=(sqlite);DATABASE=" + (dir / "korvane.db").string(), demo.userRessId);

    std::string reg = (dir / "registry.reg").string(), mail = (dir / "mail").string();
    std::cout << "Demo i " << dir.string() << ":\n"
              << "  database      " << (dir / "korvane.db").string() << " (" << demo.resources << " ressourcer, "
              << demo.jobs << " jobs)\n"
              << "  dokumenter    " << (dir / "dokumenter").string() << "\n"
              << "  mails         " << mail << " (" << copied << " elementer)\n"
              << "  indstillinger " << reg << "\n\n"
              << "Prøv:\n"
              << "  kvimport mails --registry " << reg << " --store " << mail << "\n"
              << "  kvimport browse --registry " << reg << " --store " << mail << " --type 3 --resource "
              << sqlite::demo::CustomerWithJobs << "\n"
              << "  kvimport import --registry " << reg << " --store " << mail << " --mail 1 --type 3 --resource "
              << sqlite::demo::CustomerWithJobs << " --job-item " << sqlite::demo::ActiveJob << "\n";
    return exitcode::Ok;
}

}  // namespace kv::app
