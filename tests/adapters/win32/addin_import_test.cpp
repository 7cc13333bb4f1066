// The add-in's whole way from the toolbar button to a filed mail, under
// Wine: the click opens the real import dialog on the demo Korvane database,
// reached as on Windows through ODBC (Wine's odbc32, the host's unixODBC and
// its SQLite3 driver). The test picks a customer, a job and a folder with the
// messages Windows itself sends, presses Import, and finds the .msg file in
// the job's folder and the mail's row in Korvane.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

using kv::testing::WinePath;

constexpr const char* kSubject = "Tilbud på tagrender, Søndergade 12";
// As Korvane names the file and keeps the subject: the comma goes.
constexpr const char* kCleanSubject = "Tilbud på tagrender Søndergade 12";
constexpr const char* kSenderName = "Birgitte Møller";
constexpr const char* kSenderAddress = "birgitte@aalborg-toemrer.example";
constexpr const char* kDuplicateQuestion =
    "Mail Tilbud på tagrender, Søndergade 12 findes allerede i databasen, Vil du alligevel importerer det";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

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
// loops: the import dialog once it is up (and whom it belongs to), and every
// message box the add-in shows (answered as the test says, and remembered).
// An import that stops with the dialog still open is ended with Escape, so
// no test hangs.
struct WindowDriver {
    static inline std::function<void(HWND)> onDialog;
    static inline std::function<int(const std::string&)> answer;
    static inline std::function<void(HWND box, HWND dialog)> atBox;  // looks before the answer
    static inline std::vector<std::string> boxes;
    static inline HWND dialogOwner = nullptr;
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
            if (atBox) atBox(window, dialog);
            ::PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(answer ? answer(shown) : IDOK), 0);
            return;
        }
        if (!dialog) return;
        if (!dialogSeen) {
            dialogSeen = true;
            dialogOwner = ::GetWindow(dialog, GW_OWNER);
            onDialog(dialog);
        } else if (++idleTicks >= 3) {
            leftOpen = true;
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }
    static void Arm(std::function<void(HWND)> dialog, std::function<int(const std::string&)> boxAnswer = {}) {
        onDialog = std::move(dialog);
        answer = std::move(boxAnswer);
        atBox = nullptr;
        boxes.clear();
        dialogOwner = nullptr;
        dialogSeen = leftOpen = false;
        idleTicks = 0;
        timer = ::SetTimer(nullptr, 0, 100, &Tick);
    }
    static void Disarm() {
        if (timer) ::KillTimer(nullptr, timer);
        timer = 0;
    }
};

// A press of a dialog button as Windows reports it to the dialog.
void Press(HWND dialog, HWND button) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

// The duplicate question answered with button; any other box with OK.
std::function<int(const std::string&)> AnswerDuplicate(int button) {
    return [button](const std::string& text) { return text == kDuplicateQuestion ? button : IDOK; };
}

// The add-in in a fake Outlook whose Inbox selection holds one received
// mail, with Korvane's settings pointing at a fresh demo database of the
// test's own (its document folders on the Wine side of the same folder).
class ImportThroughTheDialog : public AddinInOutlook {
protected:
    void SetUp() override {
        const std::string dir = Env("KV_IMPORT_WINE_DIR");
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

    void MakeMail() { MakeMail(mail, kSubject, "00000000A1B2C3"); }
    void MakeMail(FakeObject& mail, const char* subject, const char* entryId) {
        VARIANT received{};
        received.vt = VT_DATE;
        received.date = outlook::ToVariantTime(DateTime{2024, 3, 14, 9, 41, 7});
        sender.Set(L"Name", Var(kSenderName)).Set(L"Address", Var(kSenderAddress));
        attachments.Set(L"Count", Var(1));
        mail.Set(L"Class", Var(43)).Set(L"Subject", Var(subject)).Set(L"EntryID", Var(entryId));
        mail.Set(L"ReceivedTime", Var(received)).Set(L"Sent", Var(true)).Set(L"Importance", Var(1));
        mail.Set(L"SenderName", Var(kSenderName)).SetObject(L"Sender", &sender);
        mail.Set(L"To", Var("Mette Sørensen")).Set(L"CC", Var("")).Set(L"BCC", Var(""));
        mail.Set(L"Body", Var("Hej Mette,\r\nhermed vores tilbud.\r\nVenlig hilsen Birgitte"));
        mail.SetObject(L"Attachments", &attachments).SetObject(L"Application", &app);
        // Outlook writes the mail as a .msg file where it is told to.
        mail.SetMethod(L"SaveAs", [this, &mail](auto& args, Var&) {
            const std::string path = Var(*args[0]).Text();
            savedAs_.push_back({path, Var(*args[1]).Int(), &mail});
            if (const HRESULT fault = saveAsFault_ ? saveAsFault_(savedAs_.back().format) : S_OK; FAILED(fault))
                throw FakeObject::Refusal{L"Handlingen kunne ikke udføres.", fault};
            if (FILE* out = ::_wfopen(Widen(path).c_str(), L"wb")) {
                std::fputs(kSavedBytes, out);
                std::fclose(out);
            }
        });
    }

    // The button clicked; in the dialog it opens, the choices below and Import.
    void ImportByClick(std::function<int(const std::string&)> answer = {}, bool deleteAfterwards = false,
                       std::function<void(HWND box, HWND dialog)> atBox = {}) {
        WindowDriver::Arm([this, deleteAfterwards](HWND dialog) { ChooseAndImport(dialog, deleteAfterwards); },
                          std::move(answer));
        WindowDriver::atBox = std::move(atBox);
        Click();
        WindowDriver::Disarm();
    }

    // The user's choices in the open dialog: customer, job, folder, then
    // Import. A failed step closes the dialog, so the test never hangs.
    void ChooseAndImport(HWND dialog, bool deleteAfterwards = false) {
        Choose(dialog, deleteAfterwards);
        if (HasFatalFailure()) {
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        HWND import = Button(dialog, "Import");
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(import), BN_CLICKED),
                       reinterpret_cast<LPARAM>(import));
    }

    void Choose(HWND dialog, bool deleteAfterwards) {
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
        // The demo user's customers, from the database; 103 is not displayed.
        EXPECT_GE(FindRow(resources, "Bøgh & Søn A/S"), 0);
        EXPECT_GE(FindRow(resources, "O'Connor Consulting ApS"), 0);
        EXPECT_EQ(FindRow(resources, "Æblehaven Frugt I/S"), -1);
        EXPECT_EQ(FindRow(resources, "Dansk Papir Leverandør A/S"), -1);
        const int customer = FindRow(resources, "Ålborg Tømrerfirma ApS");
        ASSERT_GE(customer, 0);
        SelectRow(resources, customer);

        // Its active jobs; the closed ones stay out.
        ASSERT_TRUE(::IsWindowVisible(jobs));
        EXPECT_EQ(FindRow(jobs, "420"), -1);
        const int job = FindRow(jobs, "417");
        ASSERT_GE(job, 0);
        EXPECT_EQ(ListText(jobs, job, 1), "Tagrenovering Søndergade 12");
        SelectRow(jobs, job);

        // The job's folder tree, by keyboard down to "Korrespondance".
        ::SetFocus(tree);
        for (int i = 0; i < 8 && TreeCaretText(tree) != "Korrespondance"; ++i)
            ::SendMessageW(tree, WM_KEYDOWN, VK_DOWN, 0);
        ASSERT_EQ(TreeCaretText(tree), "Korrespondance");

        if (deleteAfterwards) ::SendMessageW(Button(dialog, "Slet mail efter import"), BM_CLICK, 0, 0);
        if (screenshot_) {
            // The chosen folder shows highlighted while the tree has the focus.
            ::SetFocus(tree);
            EXPECT_TRUE(SaveScreenshot(dialog, Widen(KV_SCREENSHOT_BMP).c_str()));
        }
    }

    std::string JobFolder() const { return documentRoot_ + "\\Jobs\\417\\Korrespondance"; }

    static constexpr const char* kSavedBytes = "the mail as Outlook saves it";
    struct SavedAs {
        std::string path;
        std::int32_t format;
        FakeObject* mail = nullptr;
    };
    // The mail as it is being written: not sent, recipients that resolve,
    // and as Sender the From account Outlook has already chosen for it.
    void MakeDraft() {
        account.Set(L"Name", Var("Mette Sørensen")).Set(L"Address", Var("mette@korvane.example"));
        mail.Set(L"Sent", Var(false)).Set(L"SenderName", Var("Mette Sørensen")).SetObject(L"Sender", &account);
        mail.SetObject(L"Recipients", &recipients);
        recipients.SetMethod(L"ResolveAll", [](auto&, Var& result) { result = Var(true); });
        mail.SetMethod(L"Save", [](auto&, Var&) {}).SetMethod(L"Close", [](auto&, Var&) {});
    }
    // Off to the Outbox: the item is gone and its window closes.
    void SendClosesTheWindow(FakeObject& window) {
        mail.SetMethod(L"Send", [this, &window](auto&, Var&) {
            mail.FailEverything(L"Elementet er flyttet eller slettet.", static_cast<HRESULT>(0x8004010A));
            CloseInspector(window);
        });
    }
    // A mail the user wrote is filed as the user's, not as its From account's.
    void ExpectFiledAsTheUsersOwn() {
        auto rs = OpenDatabase()->Execute("SELECT Sender FROM DocMail");
        ASSERT_FALSE(rs->EndOfFile());
        EXPECT_EQ(rs->Field("Sender").ToText(), "Mette Sørensen");
        rs->Close();
    }
    // The onAction callback of the ribbon's button for windows of ribbonId.
    std::string OnAction(const wchar_t* ribbonId) {
        const std::string xml = ribbonId == kExplorerRibbon ? explorerRibbonXml : CustomUI(ribbonId);
        const auto begin = xml.find("onAction=\"");
        EXPECT_NE(begin, std::string::npos) << xml;
        if (begin == std::string::npos) return {};
        return xml.substr(begin + 10, xml.find('"', begin + 10) - begin - 10);
    }
    // A ribbon button pressed in window, the dialog worked as a user does.
    void ImportByRibbon(const wchar_t* ribbonId, FakeObject& window) {
        const std::string callback = OnAction(ribbonId);
        WindowDriver::Arm([this](HWND dialog) { ChooseAndImport(dialog); });
        EXPECT_EQ(PressRibbon(callback, window), S_OK);
        WindowDriver::Disarm();
    }
    FakeObject& sender = world.Make();
    FakeObject& attachments = world.Make();
    FakeObject &account = world.Make(), &recipients = world.Make();
    bool screenshot_ = false;  // the README's picture of the dialog
    // How SaveAs fails for a format, S_OK where it does not.
    std::function<HRESULT(std::int32_t format)> saveAsFault_;
    std::string hostDatabase_, documentRoot_;
    std::vector<SavedAs> savedAs_;
};

bool FileHolds(const std::string& path, const std::string& expected) {
    FILE* in = ::_wfopen(Widen(path).c_str(), L"rb");
    if (!in) return false;
    char buffer[256] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, in);
    std::fclose(in);
    return std::string(buffer, n) == expected;
}

int Count(db::Connection& cn, const std::string& sql) {
    auto rs = cn.Execute(sql);
    const int n = rs->Field("n").ToInt();
    rs->Close();
    return n;
}

TEST_F(ImportThroughTheDialog, FilesTheSelectedMailIntoTheChosenJobFolderAndKorvane) {
    screenshot_ = true;
    ImportByClick();
    EXPECT_TRUE(WindowDriver::dialogSeen);
    EXPECT_FALSE(WindowDriver::leftOpen);
    EXPECT_TRUE(WindowDriver::boxes.empty()) << WindowDriver::boxes.front();

    // Saved once, as a Unicode .msg (format 9), named for the subject, in the folder.
    ASSERT_EQ(savedAs_.size(), 1u);
    EXPECT_EQ(savedAs_[0].format, 9);
    const std::string file = JobFolder() + "\\" + kCleanSubject + ".msg";
    EXPECT_TRUE(FileHolds(file, kSavedBytes)) << file;
    EXPECT_EQ(::GetFileAttributesW(Widen(savedAs_[0].path).c_str()) == INVALID_FILE_ATTRIBUTES,
              savedAs_[0].path != file)
        << "a temporary file was left: " << savedAs_[0].path;

    // One Korvane document of job 417 with the mail's particulars.
    auto cn = OpenDatabase();
    auto rs = cn->Execute(
        "SELECT d.FName, d.FExt, d.SubFld, d.FSize, d.Sender, d.Subject, d.Attachments, d.DocAuthorId, d.mailto "
        "FROM DocMail d INNER JOIN JobDoc j ON j.DocId = d.DocID WHERE j.jobID = ?",
        {demo::ActiveJob});
    ASSERT_FALSE(rs->EndOfFile());
    EXPECT_EQ(rs->Field("FName").ToText(), std::string(kCleanSubject) + ".msg");
    EXPECT_EQ(rs->Field("FExt").ToText(), "msg");
    EXPECT_EQ(rs->Field("SubFld").ToText(), "Korrespondance");
    EXPECT_EQ(rs->Field("FSize").ToInt(), static_cast<int>(std::string(kSavedBytes).size()));
    EXPECT_EQ(rs->Field("Sender").ToText(), std::string(kSenderName) + " [" + kSenderAddress + "]");
    EXPECT_EQ(rs->Field("Subject").ToText(), kCleanSubject);
    EXPECT_EQ(rs->Field("Attachments").ToInt(), 1);
    EXPECT_EQ(rs->Field("DocAuthorId").ToInt(), demo::UserRessId);
    EXPECT_EQ(rs->Field("mailto").ToText(), "Mette Sørensen");
    rs->MoveNext();
    EXPECT_TRUE(rs->EndOfFile()) << "filed twice";
    rs->Close();
    EXPECT_EQ(Count(*cn, "SELECT COUNT(*) AS n FROM DocMailImport"), 0);
    EXPECT_EQ(Count(*cn, "SELECT COUNT(*) AS n FROM ResDoc"), 0);

    // Not asked to delete: the mail stays where it was.
    EXPECT_EQ(Calls(mail, L"Move"), 0);
}

TEST_F(ImportThroughTheDialog, AMailFiledBeforeIsRecognisedAndOnlyFiledAgainWhenTheUserSaysSo) {
    ImportByClick();
    ASSERT_TRUE(WindowDriver::boxes.empty()) << WindowDriver::boxes.front();
    ASSERT_EQ(savedAs_.size(), 1u);

    // Again: Korvane knows the mail (same sender, subject and time); "No" skips it.
    ImportByClick(AnswerDuplicate(IDNO));
    EXPECT_FALSE(WindowDriver::leftOpen);
    ASSERT_EQ(WindowDriver::boxes.size(), 1u);
    EXPECT_EQ(WindowDriver::boxes[0], kDuplicateQuestion);
    EXPECT_EQ(savedAs_.size(), 1u);

    // "Yes" files it once more, under the next free name, and the ticked box
    // sends the mail to Deleted Items afterwards.
    FakeObject& deletedItems = world.Make();
    deletedItems.Set(L"Name", Var("Slettet post"));
    ns.SetMethod(L"GetDefaultFolder", [&](auto& args, Var& result) {
        if (Var(*args[0]).Int() == 3) result = Var(static_cast<IDispatch*>(&deletedItems));
    });
    ns.SetMethod(L"GetItemFromID", [this](auto& args, Var& result) {
        if (Var(*args[0]).Text() == "00000000A1B2C3") result = Var(static_cast<IDispatch*>(&mail));
    });
    mail.SetMethod(L"Move", [](auto&, Var&) {});
    // The question is the dialog's: it is disabled meanwhile, and a press
    // that reaches it still (sent to it) neither starts a second import nor
    // closes the dialog under the running one.
    bool pressed = false;
    ImportByClick(AnswerDuplicate(IDYES), true, [&](HWND box, HWND dialog) {
        EXPECT_EQ(::GetWindow(box, GW_OWNER), dialog);
        EXPECT_FALSE(::IsWindowEnabled(dialog));
        if (!std::exchange(pressed, true))
            for (const char* caption : {"Import", "&Luk"}) Press(dialog, Button(dialog, caption));
    });
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(WindowDriver::leftOpen);
    ASSERT_EQ(WindowDriver::boxes.size(), 1u);
    EXPECT_EQ(WindowDriver::boxes[0], kDuplicateQuestion);
    ASSERT_EQ(savedAs_.size(), 2u);
    EXPECT_TRUE(FileHolds(JobFolder() + "\\" + kCleanSubject + ".msg", kSavedBytes));
    EXPECT_TRUE(FileHolds(JobFolder() + "\\" + kCleanSubject + "_1.msg", kSavedBytes));
    auto cn = OpenDatabase();
    EXPECT_EQ(Count(*cn, "SELECT COUNT(*) AS n FROM JobDoc WHERE jobID = 417"), 2);
    ASSERT_EQ(Calls(mail, L"Move"), 1);
    for (const auto& call : mail.Calls())
        if (call.name == L"Move") {
            EXPECT_EQ(call.objects.at(0), static_cast<IDispatch*>(&deletedItems));
        }
}

// An Outlook older than 2003 refuses the Unicode format as an argument it
// does not know: the code-page format is written instead. A failure of any
// other kind (a busy or locked store) is reported as it is and files nothing.
TEST_F(ImportThroughTheDialog, OnlyARefusedUnicodeFormatIsSavedInTheCodePage) {
    const std::string file = JobFolder() + "\\" + kCleanSubject + ".msg";
    saveAsFault_ = [](std::int32_t) { return E_FAIL; };
    ImportByClick();
    ASSERT_EQ(savedAs_.size(), 1u) << "no second try in another format";
    EXPECT_EQ(savedAs_[0].format, 9);
    EXPECT_EQ(WindowDriver::boxes.size(), 1u) << "the failure is reported";
    EXPECT_FALSE(FileHolds(file, kSavedBytes));
    EXPECT_EQ(Count(*OpenDatabase(), "SELECT COUNT(*) AS n FROM DocMail"), 0);

    savedAs_.clear();
    saveAsFault_ = [](std::int32_t format) { return format == 9 ? DISP_E_TYPEMISMATCH : S_OK; };
    ImportByClick();
    EXPECT_FALSE(WindowDriver::leftOpen);
    EXPECT_TRUE(WindowDriver::boxes.empty()) << WindowDriver::boxes.front();
    ASSERT_EQ(savedAs_.size(), 2u);
    EXPECT_EQ(savedAs_[0].format, 9);
    EXPECT_EQ(savedAs_[1].format, 3);
    EXPECT_EQ(savedAs_[1].path, savedAs_[0].path);
    EXPECT_TRUE(FileHolds(file, kSavedBytes));
    EXPECT_EQ(Count(*OpenDatabase(), "SELECT COUNT(*) AS n FROM JobDoc WHERE jobID = 417"), 1);
}

// "Toolbars" = "0": no toolbar anywhere, and the compose window's ribbon
// button files the new mail and sends it. Once Outlook has sent it, the
// item is gone (every call fails): nothing is asked of it after Send.
TEST_F(ImportThroughTheDialog, WithToolbarsOffTheComposeRibbonFilesAndSendsItsMail) {
    connect->OnDisconnection(ext_dm_HostShutdown, nullptr);
    WriteText(kUser, Widen(settings::kSettingsKey), L"Toolbars", L"0");
    ASSERT_EQ(ConnectAtStartup(), S_OK);
    EXPECT_EQ(Calls(bars, L"Add"), 1) << "only the first connection built the explorer toolbar";
    EXPECT_EQ(button.Sinks(kButtonEvents), 0u);

    MakeDraft();
    FakeObject& window = OpenInspector(mail);
    SendClosesTheWindow(window);
    EXPECT_EQ(Calls(*inspectorBars[0], L"Add"), 0);
    EXPECT_EQ(Calls(*inspectorBars[0], L"Item"), 0);

    ImportByRibbon(kComposeMailRibbon, window);
    EXPECT_TRUE(WindowDriver::dialogSeen);
    EXPECT_FALSE(WindowDriver::leftOpen);
    EXPECT_TRUE(WindowDriver::boxes.empty()) << WindowDriver::boxes.front();
    EXPECT_EQ(Count(*OpenDatabase(), "SELECT COUNT(*) AS n FROM JobDoc WHERE jobID = 417"), 1);
    ExpectFiledAsTheUsersOwn();
    EXPECT_EQ(Calls(mail, L"Save"), 1);
    ASSERT_EQ(Calls(mail, L"Send"), 1);
    EXPECT_EQ(mail.Calls().back().name, L"Send");
    EXPECT_EQ(Calls(mail, L"Close"), 0);
}

// The dialog of an import belongs to the window its button was pressed in,
// whichever that is: it disables that window only, and the window left
// enabled could start a second import under the first.
TEST_F(ImportThroughTheDialog, TheDialogBelongsToTheWindowTheButtonWasPressedIn) {
    const std::string fromExplorer = OnAction(kExplorerRibbon), fromMail = OnAction(kReadMailRibbon);
    OpenExplorer(other);
    other.selection.Set(L"Count", Var(1)).SetObject(L"Item", &mail);
    FakeObject& inspector = OpenInspector(mail);
    const struct {
        const char* where;
        FakeObject& window;
        std::function<void()> press;
    } kPresses[] = {
        {"the main window's toolbar", main.explorer, [&] { Click(main); }},
        {"the second window's ribbon", other.explorer, [&] { PressRibbon(fromExplorer, other.explorer); }},
        {"the mail window's ribbon", inspector, [&] { PressRibbon(fromMail, inspector); }},
    };
    for (const auto& p : kPresses) {
        WindowDriver::Arm([](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        p.press();
        WindowDriver::Disarm();
        EXPECT_TRUE(WindowDriver::dialogSeen) << p.where;
        EXPECT_EQ(WindowDriver::dialogOwner, p.window.Window()) << p.where;
    }

    // Every main window closed, a second mail window's button still files
    // its own mail.
    constexpr const char* kOtherSubject = "Referat fra byggemøde 3";
    FakeObject& otherMail = world.Make();
    MakeMail(otherMail, kOtherSubject, "00000000D4E5F6");
    FakeObject& second = OpenInspector(otherMail);
    EXPECT_EQ(Calls(*inspectorBars[1], L"Add"), 1) << "with toolbars on, the window's toolbar is tried";
    CloseExplorer(main);
    CloseExplorer(other);
    ImportByRibbon(kReadMailRibbon, second);
    EXPECT_TRUE(WindowDriver::dialogSeen);
    EXPECT_EQ(WindowDriver::dialogOwner, second.Window());
    EXPECT_TRUE(WindowDriver::boxes.empty()) << WindowDriver::boxes.front();
    ASSERT_EQ(savedAs_.size(), 1u);
    EXPECT_EQ(savedAs_[0].mail, &otherMail);
    EXPECT_TRUE(FileHolds(JobFolder() + "\\" + kOtherSubject + ".msg", kSavedBytes));
    EXPECT_EQ(Count(*OpenDatabase(), "SELECT COUNT(*) AS n FROM DocMail"), 1);
}

// A press in another window while the dialog is open is no second import:
// the dialog comes to the front, the log says so, and the mail the dialog
// was opened for is the one filed.
TEST_F(ImportThroughTheDialog, APressElsewhereWhileTheDialogIsOpenBringsItForwardAndChangesNothing) {
    FakeObject& otherMail = world.Make();
    MakeMail(otherMail, "Referat fra byggemøde 3", "00000000D4E5F6");
    OpenExplorer(other);
    other.selection.Set(L"Count", Var(1)).SetObject(L"Item", &otherMail);
    const std::string callback = OnAction(kExplorerRibbon);
    const AddinLog log;
    std::vector<std::string> logged;
    WindowDriver::Arm([&](HWND dialog) {
        ::SetForegroundWindow(other.explorer.Window());
        const long mark = log.Mark();
        EXPECT_EQ(PressRibbon(callback, other.explorer), S_OK);
        logged = log.LinesSince(mark);
        EXPECT_EQ(::GetForegroundWindow(), dialog);
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), main.explorer.Window());
        ChooseAndImport(dialog);
    });
    Click(main);
    WindowDriver::Disarm();
    EXPECT_EQ(logged.size(), 1u);
    EXPECT_FALSE(WindowDriver::leftOpen);
    EXPECT_TRUE(WindowDriver::boxes.empty()) << WindowDriver::boxes.front();
    EXPECT_EQ(Calls(other.selection, L"Count"), 0);
    ASSERT_EQ(savedAs_.size(), 1u);
    EXPECT_EQ(savedAs_[0].mail, &mail);
    EXPECT_EQ(Count(*OpenDatabase(), "SELECT COUNT(*) AS n FROM DocMail"), 1);
}

TEST_F(ImportThroughTheDialog, ADatabaseDriverThatIsNotInstalledOpensNoDialogAndFilesNothing) {
    WriteText(kUser, Widen(settings::kSettingsKey), L"OdbcDriver", L"Korvane ODBC Driver 99");
    ImportByClick();
    EXPECT_FALSE(WindowDriver::dialogSeen);
    ASSERT_EQ(WindowDriver::boxes.size(), 1u);
    EXPECT_EQ(WindowDriver::boxes[0], "Start Korvane mindst en gang før denne funktion kan bruges");
    EXPECT_TRUE(savedAs_.empty());
    EXPECT_EQ(Count(*OpenDatabase(), "SELECT COUNT(*) AS n FROM DocMail"), 0);
}

}  // namespace
}  // namespace kv::win32::test
