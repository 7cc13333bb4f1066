// The add-in's whole way from the toolbar button to a filed mail, under
// Wine: the click opens the real import dialog on the demo Korvane database,
// reached as on Windows through ODBC (Wine's odbc32, the host's unixODBC and
// its SQLite3 driver). The test picks a customer, a job and a folder with the
// messages Windows itself sends, presses Import, and finds the .msg file in
// the job's folder and the mail's row in Korvane. The import's decisions
// (the duplicate question, the formats, import and send, the window the
// dialog belongs to) are the Linux tests'; here is what only Windows shows:
// the real controls and ODBC.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "adapters/demo/demo_seed.hpp"
#include "adapters/odbc/odbc_database.hpp"
#include "adapters/win32/outlook/late_bound.hpp"
#include "adapters/win32/win32_registry_store.hpp"
#include "adapters/wine_path.hpp"
#include "fake_outlook.hpp"
#include "screenshot.hpp"
#include "window_probe.hpp"
#include "settings/settings_key.hpp"

#ifndef KV_SCREENSHOT_BMP
#error KV_SCREENSHOT_BMP must name the screenshot file
#endif

namespace kv::win32::test {
namespace {

using kv::testing::FixtureDir;
using kv::testing::WinePath;

constexpr const char* kSubject = "Tilbud på tagrender, Søndergade 12";
// As Korvane names the file and keeps the subject: the comma goes.
constexpr const char* kCleanSubject = "Tilbud på tagrender Søndergade 12";
constexpr const char* kSenderName = "Birgitte Møller";
constexpr const char* kSenderAddress = "birgitte@aalborg-toemrer.example";

// The dialog's controls of one window class, in dialog order (which is the
// tab order: cboRessType before cboActive, lstvRess before lstvJobs).
std::vector<HWND> Controls(HWND dialog, const char* windowClass) {
    std::vector<HWND> found;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == windowClass) found.push_back(child);
    std::sort(found.begin(), found.end(), [](HWND a, HWND b) { return ::GetDlgCtrlID(a) < ::GetDlgCtrlID(b); });
    return found;
}

HWND Button(HWND dialog, const char* caption) {
    for (HWND b : Controls(dialog, "Button"))
        if (WindowText(b) == caption) return b;
    return nullptr;
}

int FindRow(HWND list, const std::string& text) {
    const int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        if (ListText(list, row) == text) return row;
    return -1;
}

// As a click on the row: selected and focused.
void SelectRow(HWND list, int row) {
    LVITEMW select{};
    select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&select));
}

std::string TreeCaretText(HWND tree) {
    return TreeText(tree, reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

// Drives the add-in's windows from a timer, which runs inside their modal
// loops: the import dialog once it is up, and every message box the add-in
// shows (answered with OK, and remembered). An import that stops with the
// dialog still open is ended with Escape, so no test hangs.
struct WindowDriver {
    static inline std::function<void(HWND)> onDialog;
    static inline std::vector<std::string> boxes;
    static inline bool dialogSeen = false;
    static inline bool leftOpen = false;
    static inline int idleTicks = 0;
    static inline UINT_PTR timer = 0;

    static bool IsImportDialog(HWND window) { return WindowText(window).rfind("Import af mails til Korvane", 0) == 0; }
    static BOOL CALLBACK Collect(HWND hwnd, LPARAM windows) {
        if (ClassOf(hwnd) == "#32770" && ::IsWindowVisible(hwnd))
            reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        std::vector<HWND> windows;
        ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&windows));
        const auto found = std::find_if(windows.begin(), windows.end(), IsImportDialog);
        HWND dialog = found == windows.end() ? nullptr : *found;
        for (HWND window : windows) {
            if (window == dialog) continue;
            wchar_t text[512] = {};
            ::GetDlgItemTextW(window, 0xFFFF, text, 512);  // a message box's text
            const std::string shown = Narrow(std::wstring(text));
            boxes.push_back(shown);
            ::PostMessageW(window, WM_COMMAND, IDOK, 0);
            return;
        }
        if (!dialog) return;
        if (!dialogSeen) {
            dialogSeen = true;
            onDialog(dialog);
        } else if (++idleTicks >= 3) {
            leftOpen = true;
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }
    static void Arm(std::function<void(HWND)> dialog) {
        onDialog = std::move(dialog);
        boxes.clear();
        dialogSeen = leftOpen = false;
        idleTicks = 0;
        timer = ::SetTimer(nullptr, 0, 100, &Tick);
    }
    static void Disarm() {
        if (timer) ::KillTimer(nullptr, timer);
        timer = 0;
    }
};

// The add-in in a fake Outlook whose Inbox selection holds one received
// mail, with Korvane's settings pointing at a fresh demo database of the
// test's own (its document folders on the Wine side of the same folder).
class ImportThroughTheDialog : public AddinInOutlook {
protected:
    void SetUp() override {
        const std::string dir = FixtureDir("KV_IMPORT_WINE_DIR");
        if (dir.empty()) GTEST_SKIP() << "no Korvane schema was made for this run (run the test through ctest)";
        if (!HaveDisplay()) GTEST_SKIP() << "no display (the Windows test stage starts Xvfb)";
        AddinInOutlook::SetUp();
        if (HasFatalFailure()) return;

        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        hostDatabase_ = dir + "/" + name + ".db";
        documentRoot_ = WinePath(dir + "/" + name + "-docs");
        ::DeleteFileW(Widen(WinePath(hostDatabase_)).c_str());
        ASSERT_TRUE(
            ::CopyFileW(Widen(WinePath(dir + "/schema.db")).c_str(), Widen(WinePath(hostDatabase_)).c_str(), TRUE));
        {
            auto cn = OpenDatabase();
            demo::SeedSmallDemo(*cn, documentRoot_);
        }

        // As the main Korvane application leaves them; the driver is named
        // because the demo database is no SQL Server.
        DeleteTree(kUser, Widen(settings::kSettingsKey));
        WriteText(kUser, Widen(settings::kSettingsKey), L"DBCn",
                  Widen("Server=(local);Database=" + hostDatabase_ + ";Trusted_Connection=yes"));
        WriteText(kUser, Widen(settings::kSettingsKey), L"OdbcDriver", L"SQLite3");
        Win32RegistryStore store;
        settings::WriteNumber(store, "UserRessId", demo::UserRessId);

        MakeMail();
        selection.Set(L"Count", Var(1)).SetObject(L"Item", &mail);
        ASSERT_EQ(ConnectAtStartup(), S_OK);
    }
    void TearDown() override {
        WindowDriver::Disarm();
        if (connect) connect->OnDisconnection(ext_dm_UserClosed, nullptr);
        DeleteTree(kUser, Widen(settings::kSettingsKey));
        if (!IsSkipped()) AddinInOutlook::TearDown();
    }

    std::unique_ptr<db::Connection> OpenDatabase() const {
        return odbc::OpenConnectionString("Driver={SQLite3};Database=" + hostDatabase_ + ";NoCreat=1");
    }

    void MakeMail() {
        VARIANT received{};
        received.vt = VT_DATE;
        received.date = outlook::ToVariantTime(DateTime{2024, 3, 14, 9, 41, 7});
        sender.Set(L"Name", Var(kSenderName)).Set(L"Address", Var(kSenderAddress));
        attachments.Set(L"Count", Var(1));
        mail.Set(L"Class", Var(43)).Set(L"Subject", Var(kSubject)).Set(L"EntryID", Var("00000000A1B2C3"));
        mail.Set(L"ReceivedTime", Var(received)).Set(L"Sent", Var(true)).Set(L"Importance", Var(1));
        mail.Set(L"SenderName", Var(kSenderName)).SetObject(L"Sender", &sender);
        mail.Set(L"To", Var("Mette Sørensen")).Set(L"CC", Var("")).Set(L"BCC", Var(""));
        mail.Set(L"Body", Var("Hej Mette,\r\nhermed vores tilbud.\r\nVenlig hilsen Birgitte"));
        mail.SetObject(L"Attachments", &attachments).SetObject(L"Application", &app);
        // Outlook writes the mail as a .msg file where it is told to.
        mail.SetMethod(L"SaveAs", [this](auto& args, Var&) {
            const std::string path = Var(*args[0]).Text();
            savedAs_.push_back(path);
            if (FILE* out = ::_wfopen(Widen(path).c_str(), L"wb")) {
                std::fputs(kSavedBytes, out);
                std::fclose(out);
            }
        });
    }

    // The button clicked; in the dialog it opens, the choices below and Import.
    void ImportByClick() {
        WindowDriver::Arm([this](HWND dialog) { ChooseAndImport(dialog); });
        Click();
        WindowDriver::Disarm();
    }

    // The user's choices in the open dialog: customer, job, folder, then
    // Import. A failed step closes the dialog, so the test never hangs.
    void ChooseAndImport(HWND dialog) {
        Choose(dialog);
        if (HasFatalFailure()) {
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        HWND import = Button(dialog, "Import");
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(import), BN_CLICKED),
                       reinterpret_cast<LPARAM>(import));
    }

    void Choose(HWND dialog) {
        EXPECT_EQ(WindowText(dialog).rfind("Import af mails til Korvane, Mette Sørensen (ver. 1.0.150)", 0), 0u)
            << WindowText(dialog);
        const std::vector<HWND> combos = Controls(dialog, "ComboBox");
        const std::vector<HWND> lists = Controls(dialog, "SysListView32");
        const std::vector<HWND> trees = Controls(dialog, "SysTreeView32");
        ASSERT_EQ(combos.size(), 2u);
        ASSERT_EQ(lists.size(), 2u);
        ASSERT_EQ(trees.size(), 1u);
        HWND types = combos[0], resources = lists[0], jobs = lists[1], tree = trees[0];

        // Resource type "Kunder og Internt", as the box reports a choice.
        ::SendMessageW(types, CB_SETCURSEL, 3, 0);
        ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(types), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(types));
        // The demo user's customers, from the database.
        const int customer = FindRow(resources, "Ålborg Tømrerfirma ApS");
        ASSERT_GE(customer, 0);
        SelectRow(resources, customer);

        // Its jobs, number and name in their columns.
        ASSERT_TRUE(::IsWindowVisible(jobs));
        const int job = FindRow(jobs, "417");
        ASSERT_GE(job, 0);
        EXPECT_EQ(ListText(jobs, job, 1), "Tagrenovering Søndergade 12");
        SelectRow(jobs, job);

        // The job's folder tree, by keyboard down to "Korrespondance".
        ::SetFocus(tree);
        for (int i = 0; i < 8 && TreeCaretText(tree) != "Korrespondance"; ++i)
            ::SendMessageW(tree, WM_KEYDOWN, VK_DOWN, 0);
        ASSERT_EQ(TreeCaretText(tree), "Korrespondance");

        // The README's picture: the chosen folder shows highlighted while the tree has the focus.
        ::SetFocus(tree);
        EXPECT_TRUE(SaveScreenshot(dialog, Widen(KV_SCREENSHOT_BMP).c_str()));
    }

    std::string JobFolder() const { return documentRoot_ + "\\Jobs\\417\\Korrespondance"; }

    static constexpr const char* kSavedBytes = "the mail as Outlook saves it";
    FakeObject& sender = world.Make();
    FakeObject& attachments = world.Make();
    std::string hostDatabase_, documentRoot_;
    std::vector<std::string> savedAs_;
};

bool FileHolds(const std::string& path, const std::string& expected) {
    FILE* in = ::_wfopen(Widen(path).c_str(), L"rb");
    if (!in) return false;
    char buffer[256] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
    std::fclose(in);
    return std::string(buffer, n) == expected;
}

TEST_F(ImportThroughTheDialog, FilesTheSelectedMailIntoTheChosenJobFolderAndKorvane) {
    ImportByClick();
    EXPECT_TRUE(WindowDriver::dialogSeen);
    EXPECT_FALSE(WindowDriver::leftOpen);
    EXPECT_TRUE(WindowDriver::boxes.empty()) << WindowDriver::boxes.front();

    // Saved once, named for the subject, in the folder; no temporary file left.
    ASSERT_EQ(savedAs_.size(), 1u);
    const std::string file = JobFolder() + "\\" + kCleanSubject + ".msg";
    EXPECT_TRUE(FileHolds(file, kSavedBytes)) << file;
    EXPECT_EQ(::GetFileAttributesW(Widen(savedAs_[0]).c_str()) == INVALID_FILE_ATTRIBUTES, savedAs_[0] != file)
        << "a temporary file was left: " << savedAs_[0];

    // One Korvane document of job 417, its texts through ODBC as written
    // (what the row holds is the Linux import tests' concern).
    auto cn = OpenDatabase();
    auto rs = cn->Execute(
        "SELECT d.FName, d.Sender FROM DocMail d INNER JOIN JobDoc j ON j.DocId = d.DocID WHERE j.jobID = ?",
        {demo::ActiveJob});
    ASSERT_FALSE(rs->EndOfFile());
    EXPECT_EQ(rs->Field("FName").ToText() + " " + rs->Field("Sender").ToText(),
              std::string(kCleanSubject) + ".msg " + kSenderName + " [" + kSenderAddress + "]");
    rs->MoveNext();
    EXPECT_TRUE(rs->EndOfFile()) << "filed twice";
    rs->Close();

    // Not asked to delete: the mail stays where it was.
    EXPECT_EQ(Calls(mail, L"Move"), 0);
}

}  // namespace
}  // namespace kv::win32::test
