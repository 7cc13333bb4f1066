#pragma once
// The add-in loaded into the stand-in host over a demo world, with an import
// dialog that records what the buttons handed it.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "addin/Connect.hpp"
#include "addin/command_bars.hpp"
#include "fakes/addin_harness.hpp"

namespace kv::addintest {

struct DialogRecord {
    int shown = 0;
    bool fromInspector = false;
    std::shared_ptr<outlook::Item> mail;
    std::shared_ptr<outlook::Explorer> explorer;
    int selected = -1;
    bool connectionOpen = false;
    bool importSucceeds = false;  // what the user's import does
    NativeWindow owner = 0;       // the window the dialog was modal to
    db::Connection* connection = nullptr;
    std::function<void()> whileOpen;  // what the user does meanwhile
};

class RecordingDialog : public ImportDialog {
public:
    RecordingDialog(AddinContext& ctx, DialogRecord& record) : ctx_(ctx), record_(record) {}
    void ShowModal() override {
        ++record_.shown;
        record_.fromInspector = ctx_.gImportFromInspector;
        record_.mail = ctx_.gImportMail;
        record_.explorer = ctx_.gImportExplorer;
        record_.selected = ctx_.gImportExplorer ? ctx_.gImportExplorer->GetSelection()->Count() : -1;
        record_.connectionOpen = ctx_.gConnection != nullptr;
        record_.connection = ctx_.gConnection.get();
        record_.owner = static_cast<ui::HeadlessView&>(ctx_.View()).Owner();
        if (record_.whileOpen) record_.whileOpen();
        if (record_.importSucceeds) ctx_.gImportDone = true;
    }

private:
    AddinContext& ctx_;
    DialogRecord& record_;
};

using fakes::TestData;

struct AddinTest : ::testing::Test {
    fakes::AddinHarness h;
    DialogRecord record;
    std::unique_ptr<Connect> connect;
    std::shared_ptr<outlook::Explorer> explorer;

    static constexpr const char* kProgId = "KVOutlookAddin.Connect";

    void SetUp() override {
        h.ctx->makeImportDialog = [this](AddinContext& ctx) { return std::make_unique<RecordingDialog>(ctx, record); };
        for (const char* name : {"tilbud_iso8859.eml", "rapport_utf8.eml", "html_only.eml"})
            h.store->AddItemFile("Inbox", TestData(name));
    }

    // Opens the explorer on folder and loads the add-in, as the host does at start-up.
    void Start(const std::string& folder = "Inbox") {
        explorer = h.store->OpenExplorer(folder);
        connect = std::make_unique<Connect>(*h.ctx, h.store->GetApplication());
        connect->OnConnection(kProgId);
    }
    OutAddIn& AddIn() { return *connect->objAddIn; }

    // The start-up explorer with the Inbox's first mail selected and a second,
    // later (so active) explorer with the next two.
    struct TwoExplorers {
        std::shared_ptr<outlook::Explorer> first, second;
    };
    TwoExplorers TwoExplorersWithOwnSelections() {
        TwoExplorers two{explorer, h.store->OpenExplorer("Inbox")};
        auto mails = h.store->Items("Inbox");
        h.store->Select(*two.first, {mails.at(0)});
        h.store->Select(*two.second, {mails.at(1), mails.at(2)});
        return two;
    }

    std::shared_ptr<outlook::CommandBar> Bar(outlook::Window& window, const std::string& name) {
        try {
            return window.GetCommandBars()->Item(name);
        } catch (const Error&) {
            return nullptr;
        }
    }
    // The button a person would click; a missing one fails the test (gtest reports the throw).
    outlook::CommandBarButton& ButtonOn(outlook::Window& window, const std::string& bar, const std::string& tag) {
        auto found = Bar(window, bar);
        auto button = found ? found->FindControl(tag) : nullptr;
        if (!button) throw std::runtime_error("no button " + tag + " on toolbar " + bar);
        return *button;
    }
    std::string Log() const { return h.LogText(); }
};

}  // namespace kv::addintest
