#include "service/service_start.hpp"

#include "adapters/regfile/regfile_store.hpp"
#include "app/front_end.hpp"
#include "settings/connection_text.hpp"
#include "settings/settings_key.hpp"

namespace kv::service {

namespace fs = std::filesystem;

namespace {

// How long a right found stays known; the dialog keeps its lists as long as it is open.
constexpr std::chrono::seconds kListedTargetsAge{60};

DatabaseSettings ReadDatabaseSettings(const ServiceConfig& config) {
    std::string text = config.connectionText;
    std::string driver = config.odbcDriver;
    if (!config.registryFile.empty()) {
        regfile::RegFileStore store(config.registryFile);
        std::optional<std::string> stored = settings::ReadText(store, "DBCn");
        if (!stored)
            throw Error(errnum::InvalidArgument, "kvfiled",
                        "the settings in " + config.registryFile.string() + " name no database (DBCn)");
        text = *stored;
        driver = settings::ReadText(store, "OdbcDriver").value_or(driver);
    }
    return {ParseConnectionText(text), driver};
}

}  // namespace

ServiceWorld MakeServiceWorld(const ServiceConfig& config) {
    std::error_code ec;
    fs::create_directories(config.stateDir, ec);
    if (ec)
        throw Error(errnum::InvalidArgument, "kvfiled",
                    "cannot make the state folder " + config.stateDir.string() + ": " + ec.message());
    // As many idle connections as threads that may want one at once.
    return {ReadDatabaseSettings(config), config.stateDir, app::ExecutableModule(),
            std::make_shared<ConnectionPool>(static_cast<std::size_t>(config.threads)),
            std::make_shared<ListedTargets>(kListedTargetsAge)};
}

ServerOptions MakeServerOptions(const ServiceConfig& config, const fs::path& webRoot) {
    ServerOptions options;
    options.address = config.address;
    options.port = config.port;
    options.certificate = config.certificate;
    options.privateKey = config.privateKey;
    options.webRoot = webRoot;
    options.maxUploadBytes = config.maxUploadBytes;
    options.threads = config.threads;
    return options;
}

}  // namespace kv::service
