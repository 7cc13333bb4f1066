#pragma once
// The import dialog opened over the demo world: settings loaded, the real
// demo database and document folders, a scripted user.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fakes/addin_harness.hpp"
#include "ports/ui/controls.hpp"

namespace kv::dialogtest {

namespace demo = kv::sqlite::demo;
namespace user = kv::ui::user;

struct DialogTest : ::testing::Test {
    fakes::AddinHarness h;

    void SetUp() override { ASSERT_TRUE(h.Load()); }

    frmKorvane& Dlg() { return h.Dialog(); }
    const dialog::KorvaneControls& C() { return Dlg().Controls(); }

    // Opens the dialog; script plays the user while it is shown.
    void Open(std::function<void(frmKorvane&)> script = {}) {
        h.view.QueueUser([this, script](ui::Form&) {
            if (script) script(Dlg());
        });
        Dlg().ShowModal();
    }

    // Runs a query on the demo database (to change the world under test).
    void Sql(const std::string& sql, const db::Params& params = {}) {
        h.ctx->gConnection->Execute(sql, params)->Close();
    }

    std::optional<std::int32_t> Setting(const std::string& name) { return settings::ReadNumber(h.registry, name); }

    static std::vector<std::string> Keys(const ui::ListView& list) {
        std::vector<std::string> keys;
        for (const ui::ListItem* item : list.Items()) keys.push_back(item->Key());
        return keys;
    }
    static std::vector<std::string> ChildTexts(const ui::TreeNode& node) {
        std::vector<std::string> texts;
        for (const ui::TreeNode* child = node.Child(); child != nullptr; child = child->Next())
            texts.push_back(child->Text());
        return texts;
    }
    static std::string Selected(const ui::ListView& list) {
        return list.SelectedItem() != nullptr ? list.SelectedItem()->Key() : std::string();
    }

    std::filesystem::path JobFolder(std::int32_t job) const {
        return std::filesystem::path(h.docRoot) / "Jobs" / std::to_string(job);
    }
    std::filesystem::path ResourceFolder(std::int32_t ress) const {
        return std::filesystem::path(h.docRoot) / "Ressourcer" / std::to_string(ress);
    }

    // Chooses customer 100 and its job 417 as a person would.
    void ChooseJob417(frmKorvane& d) {
        user::SelectComboItem(d, "cboRessType", 3);
        user::ClickItem(d, "lstvRess", "R100");
        user::ClickItem(d, "lstvJobs", "J417");
    }
};

inline const std::string kNoJobFolder = "Kunne ikke finde jobfolder.\r\nGå i Korvane og opret jobmappen.";

}  // namespace kv::dialogtest
