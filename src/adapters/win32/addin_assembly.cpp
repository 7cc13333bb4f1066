#include "adapters/win32/addin_assembly.hpp"

#include "adapters/database/open_database.hpp"
#include "adapters/stdfs/stdfs_file_system.hpp"
#include "adapters/win32/connect.hpp"
#include "adapters/win32/dialog/win32_prompts.hpp"
#include "adapters/win32/dialog/win32_view.hpp"
#include "adapters/win32/module.hpp"
#include "adapters/win32/outlook/late_bound.hpp"
#include "adapters/win32/outlook/outlook_host.hpp"
#include "adapters/win32/win32_clock.hpp"
#include "adapters/win32/win32_registry_store.hpp"
#include "addin/Connect.hpp"
#include "context/addin_context.hpp"
#include "dialog/frmKorvane.hpp"
#include "stdclock/system_clock.hpp"

namespace kv::win32 {
namespace {

// Members in the order they are needed: the services first, the context
// over them, the add-in last, so it ends before anything it uses.
class AssembledAddin final : public AddinHost {
public:
    AssembledAddin(ComPtr<IDispatch> application, ModuleInfo module)
        : prompts_(view_),
          mailWrappers_(outlook::MakeMailWrapperFactory()),
          ctx_(Platform{registry_, database_, files_, clock_, random_, prompts_, view_, *mailWrappers_,
                        std::move(module)}),
          connect_(InitContext(ctx_), outlook::WrapApplication(std::move(application))) {}

    void OnConnection(const std::string& progId) override { connect_.OnConnection(progId); }
    void OnConnectionFailed(const std::string& reason) noexcept override { connect_.OnConnectionFailed(reason); }
    void OnDisconnection(int removeMode) override { connect_.OnDisconnection(removeMode); }
    void OnAddInsUpdate() override { connect_.OnAddInsUpdate(); }
    void OnStartupComplete() override { connect_.OnStartupComplete(); }
    void OnBeginShutdown() override { connect_.OnBeginShutdown(); }
    std::string GetCustomUI(const std::string& ribbonId) override { return connect_.GetCustomUI(ribbonId); }
    std::vector<std::string> RibbonCallbacks() const override { return connect_.RibbonCallbacks(); }
    void OnRibbonCallback(std::size_t callback, const kv::outlook::RibbonControl& control) noexcept override {
        connect_.OnRibbonCallback(callback, control);
    }

private:
    static AddinContext& InitContext(AddinContext& ctx) {
        ctx.makeImportDialog = [](AddinContext& c) { return std::make_unique<frmKorvane>(c); };
        return ctx;
    }

    Win32RegistryStore registry_;
    adapters::AdapterDatabaseConnector database_;
    stdfs::StdFileSystem files_;
    Win32Clock clock_;
    SystemRandom random_;
    // The prompts ask the view whom their boxes belong to.
    dialog::Win32View view_;
    dialog::Win32Prompts prompts_;
    std::unique_ptr<kv::outlook::MailWrapperFactory> mailWrappers_;
    AddinContext ctx_;
    Connect connect_;
};

// The DLL's own folder and version; without a version resource the log
// still goes beside the DLL.
ModuleInfo OwnModuleInfo(HMODULE module) {
    try {
        return ReadModuleInfo(module);
    } catch (...) {
        ModuleInfo info;
        const std::string path = Narrow(ModulePath(module));
        const auto slash = path.find_last_of("\\/");
        info.folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
        info.fileName = slash == std::string::npos ? path : path.substr(slash + 1);
        return info;
    }
}

}  // namespace

std::unique_ptr<AddinHost> AssembleAddin(IDispatch* application, ModuleInfo module) {
    return std::make_unique<AssembledAddin>(ComPtr<IDispatch>(application), std::move(module));
}

void InstallAddinAssembly(HMODULE module) {
    SetAddinHostFactory([module](IDispatch* application) { return AssembleAddin(application, OwnModuleInfo(module)); });
}

}  // namespace kv::win32
