#pragma once
// The add-in context of one request, wired as kvimport wires its own: the
// signed-in user's settings file (the remembered choices), the database
// adapters, the local file system, a headless view and prompts that answer
// from the request. Nothing in it outlives the request or is shared with
// another one, but for the database connection, taken from the pool.
#include <filesystem>
#include <memory>
#include <string>

#include "adapters/database/open_database.hpp"
#include "adapters/mailstore/uploaded_mail.hpp"
#include "adapters/regfile/regfile_store.hpp"
#include "adapters/stdfs/stdfs_file_system.hpp"
#include "context/addin_context.hpp"
#include "ports/ui/headless.hpp"
#include "app/import_witness.hpp"
#include "service/connection_pool.hpp"
#include "service/listed_targets.hpp"
#include "service/service_prompts.hpp"
#include "stdclock/system_clock.hpp"

namespace kv::service {

// Where the database is, read once at start.
struct DatabaseSettings {
    db::ProviderFields connection;
    std::string odbcDriver;
};

// What every request of the service starts from.
struct ServiceWorld {
    DatabaseSettings database;
    std::filesystem::path stateDir;
    ModuleInfo module;
    // What requests share: idle connections, and where users may file.
    std::shared_ptr<ConnectionPool> connections;
    std::shared_ptr<ListedTargets> listedTargets;
};

class RequestContext {
public:
    RequestContext(const ServiceWorld& world, std::int32_t userRessId);

    // Opens the database as the add-in does before its dialog opens: the
    // connection, the user, the two system variables. A failure answers 503
    // with the add-in's own message, and the log keeps why.
    void Connect();
    // The request went through: its connection serves the next one.
    void Release();

    AddinContext& Ctx() { return ctx_; }
    db::Connection& Db() { return *ctx_.gConnection; }
    RegistryStore& Settings() { return registry_; }
    ServicePrompts& Prompts() { return prompts_; }
    // What passed through the adapters: the file filed, why a save failed.
    const app::ImportWitness& Witness() const { return witness_; }
    // 403 unless the signed-in user's lists hold the resource and job.
    void RequireListedTarget(std::int32_t ressId, std::int32_t jobId) {
        world_.listedTargets->Require(Db(), userRessId_, ressId, jobId);
    }

private:
    void ReadSystemVariables();

    const ServiceWorld& world_;
    std::int32_t userRessId_;
    regfile::RegFileStore registry_;
    adapters::AdapterDatabaseConnector database_;
    stdfs::StdFileSystem files_;
    mailstore::UploadedMailWrappers mails_;
    app::ImportWitness witness_{database_, files_, mails_};
    SystemClock clock_;
    SystemRandom random_;
    ServicePrompts prompts_;
    ui::HeadlessView view_;
    AddinContext ctx_;
};

// The settings file that keeps one user's remembered choices.
std::filesystem::path UserSettingsFile(const std::filesystem::path& stateDir, std::int32_t userRessId);

}  // namespace kv::service
