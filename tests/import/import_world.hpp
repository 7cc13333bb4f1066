#pragma once
// The import dialog over a whole demo world, with the choices a user makes
// before pressing "Import" set up in one place. Until the dialog's own
// loading fills the lists and the tree, Choose puts in what the user would
// have picked; with the loading in place, it finds and selects those items.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dialog/frmKorvane.hpp"
#include "fakes/addin_harness.hpp"
#include "ports/ui/headless.hpp"

namespace kv::importtest {

namespace demo = sqlite::demo;
namespace fs = std::filesystem;

// What the user picked in the dialog.
struct Choice {
    std::int32_t ressId = demo::CustomerWithJobs;
    std::int32_t ressType = 3;
    bool ressSelected = true;
    std::int32_t jobId = demo::ActiveJob;  // 0: no job selected
    std::string root;                      // node 1's tag; "" for no tree at all
    std::string folder;                    // the selected node's tag; "" selects node 1
    bool folderSelected = true;
    bool folderTagEmpty = false;  // the selected node carries no path
    int deleteValue = ui::CheckBox::Unchecked;
    bool deleteEnabled = true;
};

struct Mail {
    std::string subject = "Tilbud";
    std::string from = "Salg <salg@kunde.dk>";
    std::string to = "Mette <mette@korvane.example>";
    std::string cc;
    std::string date = "Tue, 05 Mar 2024 14:07:09 +0100";
    std::string body = "Hej\r\n";
    std::string extraHeaders;
};

inline Mail MailWith(std::string subject, std::string date = "Tue, 05 Mar 2024 14:07:09 +0100") {
    Mail m;
    m.subject = std::move(subject);
    m.date = std::move(date);
    return m;
}

inline std::vector<std::string> Sorted(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

class ImportWorld {
public:
    ImportWorld() {
        EXPECT_TRUE(h.Load());
        // Failures are logged at level 1, which the default level leaves out.
        h.ctx->gLog.LogLevel(2);
        dialog = std::make_unique<frmKorvane>(*h.ctx);
    }

    std::string JobFolder(std::int32_t job = demo::ActiveJob) const {
        return (fs::path(h.docRoot) / "Jobs" / std::to_string(job)).string();
    }
    std::string ResourceFolder(std::int32_t ress) const {
        return (fs::path(h.docRoot) / "Ressourcer" / std::to_string(ress)).string();
    }
    Choice JobChoice() const {
        Choice c;
        c.root = JobFolder();
        return c;
    }

    // A mail file in the Inbox, written from the parts given.
    std::shared_ptr<outlook::Item> AddMail(const Mail& m, const std::string& folder = "Inbox") {
        std::string eml;
        if (!m.from.empty()) eml += "From: " + m.from + "\r\n";
        if (!m.to.empty()) eml += "To: " + m.to + "\r\n";
        if (!m.cc.empty()) eml += "Cc: " + m.cc + "\r\n";
        eml += "Subject: " + m.subject + "\r\n";
        eml += "Date: " + m.date + "\r\n";
        eml += "Message-ID: <" + std::to_string(++mailCount_) + "@test.example>\r\n";
        eml += m.extraHeaders;
        eml += "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + m.body;
        return AddRaw(eml, folder);
    }
    std::shared_ptr<outlook::Item> AddRaw(const std::string& eml, const std::string& folder = "Inbox",
                                          const std::string& extension = ".eml") {
        const fs::path source = h.dir.Path() / ("src" + std::to_string(++mailCount_) + extension);
        std::ofstream(source, std::ios::binary) << eml;
        return h.store->AddItemFile(folder, source);
    }
    std::shared_ptr<outlook::Item> AddSample(const std::string& name, const std::string& folder = "Inbox") {
        return h.store->AddItemFile(folder, fakes::TestData(name));
    }

    // Explorer mode over these items of the Inbox.
    void SelectInExplorer(const std::vector<std::shared_ptr<outlook::Item>>& items) {
        const auto opened = h.store->OpenExplorer("Inbox");
        h.store->Select(*opened, items);
        explorer = h.mailWrappers->Wrap(opened);
        h.ctx->gImportFromInspector = false;
        h.ctx->gImportExplorer = explorer;
    }
    void OpenInInspector(const std::shared_ptr<outlook::Item>& item) {
        h.ctx->gImportFromInspector = true;
        h.ctx->gImportMail = item;
    }

    // Shows the dialog, makes the choice and presses "Import"; returns
    // whether the dialog was still open afterwards.
    bool Import(const Choice& choice) {
        // The explorer button hands its explorer over at every press; the
        // dialog lets go of it when it unloads.
        if (!h.ctx->gImportFromInspector && explorer) h.ctx->gImportExplorer = explorer;
        bool open = false;
        h.view.QueueUser([&](ui::Form& form) {
            Choose(choice);
            ui::user::ClickButton(form, "cmdImport");
            open = form.IsLoaded();
            pointerAfter = form.MousePointer();
        });
        dialog->ShowModal();
        return open;
    }

    void Choose(const Choice& choice) {
        const auto& c = dialog->Controls();
        c.lstvRess->SetSelectedItem(nullptr);
        if (choice.ressSelected) {
            const std::string key = "R" + std::to_string(choice.ressId);
            ui::ListItem* item = c.lstvRess->Find(key);
            if (item == nullptr) {
                item = &c.lstvRess->Add(key, "Ressource " + std::to_string(choice.ressId));
                item->SetTag(Value(choice.ressType));
            }
            c.lstvRess->SetSelectedItem(item);
        }
        c.lstvJobs->SetSelectedItem(nullptr);
        if (choice.jobId != 0) {
            const std::string key = "J" + std::to_string(choice.jobId);
            ui::ListItem* item = c.lstvJobs->Find(key);
            if (item == nullptr) {
                item = &c.lstvJobs->Add(key, std::to_string(choice.jobId));
                item->SetTag(Value(choice.jobId));
            }
            c.lstvJobs->SetSelectedItem(item);
        }
        c.treeFolders->Clear();
        if (!choice.root.empty()) {
            ui::TreeNode& root = c.treeFolders->Add(0, ui::Relationship::Last, LastPathComponent(choice.root));
            root.SetTag(choice.root);
            ui::TreeNode* selected = &root;
            if (!choice.folder.empty() && choice.folder != choice.root) {
                selected = &c.treeFolders->Add(root.Index(), ui::Relationship::Child, LastPathComponent(choice.folder));
                selected->SetTag(choice.folder);
            }
            if (choice.folderTagEmpty) selected->SetTag("");
            if (choice.folderSelected) c.treeFolders->SetSelectedItem(selected);
        }
        c.chkDelete->SetValue(choice.deleteValue);
        c.chkDelete->SetEnabled(choice.deleteEnabled);
    }

    Value Scalar(const std::string& sql) {
        auto rs = h.ctx->gConnection->Execute(sql);
        Value v = rs->EndOfFile() ? Value() : rs->Field("v");
        rs->Close();
        return v;
    }
    std::int32_t Count(const std::string& table) { return Scalar("SELECT COUNT(*) AS v FROM " + table).ToInt(); }

    // The procedure answers this value without filing anything, so the
    // import row stays for the test to read.
    void ProcedureReturns(int value) {
        h.ctx->gConnection
            ->Execute("UPDATE kv_procedure SET body = ? WHERE name = 'DocMailImportExec'",
                      {Value("SELECT " + std::to_string(value) + " + 0 * ?1")})
            ->Close();
    }
    // The n-th import row (counted from 1) is refused by the database.
    void FailInsertNumber(int n) {
        h.ctx->gConnection
            ->Execute(
                "CREATE TRIGGER kv_test_fail BEFORE INSERT ON DocMailImport WHEN (SELECT COUNT(*) FROM DocMail) = " +
                std::to_string(n - 1) + " BEGIN SELECT RAISE(ABORT, 'Indsættelse afvist'); END")
            ->Close();
    }

    std::vector<std::string> FilesIn(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(fs::path(folder)))
            if (e.is_regular_file()) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Sorted, as a folder keeps no order.
    std::vector<std::string> EntryIdsIn(const std::string& folder) const {
        std::vector<std::string> ids;
        for (const auto& item : h.store->Items(folder)) ids.push_back(item->EntryID());
        return Sorted(ids);
    }
    std::string Log() const { return h.LogText(); }

    fakes::AddinHarness h;
    std::unique_ptr<frmKorvane> dialog;
    std::shared_ptr<outlook::Explorer> explorer;
    int pointerAfter = -1;

private:
    int mailCount_ = 0;
};

}  // namespace kv::importtest
