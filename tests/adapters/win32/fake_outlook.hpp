#pragma once
// The add-in installed from the real DLL and connected to an Outlook made of
// fake IDispatch objects: one explorer on the Inbox, no inspectors, command
// bars that know no "Korvane" toolbar until it is added, and a selection the
// test fills. Message boxes the add-in shows are answered from a timer.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "adapters/win32/extensibility.hpp"
#include "addin_dll_fixture.hpp"
#include "fake_dispatch.hpp"
#include "fake_object.hpp"
#include "window_probe.hpp"

namespace kv::win32::test {

constexpr IID kInspectorsEvents = {0x00063079, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kExplorerEvents10 = {0x0006300F, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kButtonEvents = {0x000C0351, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr DISPID kBeforeFolderSwitch = 0xF003;
constexpr DISPID kClick = 1;

// Message boxes are answered with OK from a timer, which runs inside the
// box's own loop. Only boxes of this thread are looked at, so a box another
// test program shows on the same display is left alone.
struct BoxAnswer {
    static inline std::wstring title, text;
    static inline int shown = 0;
    static BOOL CALLBACK Check(HWND hwnd, LPARAM found) {
        wchar_t cls[16] = {};
        ::GetClassNameW(hwnd, cls, 16);
        if (std::wstring(cls) != L"#32770") return TRUE;
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), &Check, reinterpret_cast<LPARAM>(&box));
        if (!box) return;
        ::KillTimer(nullptr, id);
        wchar_t buffer[256] = {};
        ::GetWindowTextW(box, buffer, 256);
        title = buffer;
        ::GetDlgItemTextW(box, 0xFFFF, buffer, 256);  // a message box's text
        text = buffer;
        ++shown;
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    static void Arm() {
        title.clear();
        text.clear();
        shown = 0;
        ::SetTimer(nullptr, 0, 50, &Tick);
    }
};

// An Outlook with one explorer on the Inbox, no inspectors, and command
// bars that know no "Korvane" toolbar until it is added.
class AddinInOutlook : public AddinDll {
protected:
    void SetUp() override {
        AddinDll::SetUp();
        if (!Installed()) {
            ASSERT_EQ(Call("DllRegisterServer"), S_OK);
        }
        ASSERT_TRUE(SUCCEEDED(apartment_.Result()));
        mirror_ = std::make_unique<ClassesMirror>();

        app.SetObject(L"Application", &app);
        app.SetMethod(L"GetNamespace", [this](auto& args, Var& result) {
            if (Var(*args[0]).Text() == "MAPI") result = Var(static_cast<IDispatch*>(&ns));
        });
        app.SetMethod(L"ActiveExplorer", [this](auto&, Var& result) { result = Var(static_cast<IDispatch*>(&explorer)); });
        app.SetObject(L"Explorers", &explorers).SetObject(L"Inspectors", &inspectors);
        explorers.Set(L"Count", Var(1));
        inspectors.Set(L"Count", Var(0)).AddEvents(kInspectorsEvents);
        inbox.Set(L"Name", Var("Indbakke")).Set(L"DefaultMessageClass", Var("IPM.Note"));
        calendar.Set(L"Name", Var("Kalender")).Set(L"DefaultMessageClass", Var("IPM.Appointment"));
        explorer.SetObject(L"CurrentFolder", &inbox).SetObject(L"Selection", &selection);
        explorer.SetObject(L"CommandBars", &bars).SetObject(L"Application", &app).AddEvents(kExplorerEvents10);
        selection.Set(L"Count", Var(0));
        bars.SetFailure(L"Item", L"Objektet blev ikke fundet.");
        bars.SetMethod(L"Add", [this](auto&, Var& result) {
            bars.SetObject(L"Item", &toolbar);
            result = Var(static_cast<IDispatch*>(&toolbar));
        });
        toolbar.Set(L"Name", Var("Korvane")).Set(L"Visible", Var(false)).SetObject(L"Parent", &explorer);
        toolbar.SetObject(L"Controls", &controls).SetMethod(L"FindControl", [this](auto& args, Var& result) {
            if (added_ && args.size() > 2 && Var(*args[2]).Text() == "CBButton")
                result = Var(static_cast<IDispatch*>(&button));
        });
        toolbar.SetMethod(L"Delete", [this](auto&, Var&) { bars.SetFailure(L"Item", L"Objektet blev ikke fundet."); });
        controls.Set(L"Count", Var(0)).SetMethod(L"Add", [this](auto&, Var& result) {
            added_ = true;
            controls.Set(L"Count", Var(1));
            result = Var(static_cast<IDispatch*>(&button));
        });
        for (const wchar_t* name : {L"Caption", L"Tag", L"TooltipText", L"OnAction"}) button.Set(name, Var(""));
        button.Set(L"FaceId", Var(0)).Set(L"Style", Var(0)).Set(L"BeginGroup", Var(false));
        button.SetObject(L"Parent", &toolbar).AddEvents(kButtonEvents);

        CLSID clsid{};
        ASSERT_EQ(::CLSIDFromProgID(L"KVOutlookAddin.Connect", &clsid), S_OK);
        ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                                     reinterpret_cast<void**>(connect.Put())),
                  S_OK);
        if (Installed()) {
            // COM found the DLL through the installer's registration.
            wchar_t loaded[MAX_PATH] = {};
            const HMODULE module = ::GetModuleHandleW(L"KVOutlookAddin.dll");
            ASSERT_NE(module, nullptr);
            ::GetModuleFileNameW(module, loaded, MAX_PATH);
            ASSERT_EQ(::CompareStringOrdinal(loaded, -1, InstalledDllPath().c_str(), -1, TRUE), CSTR_EQUAL)
                << Narrow(loaded);
        }
    }
    void TearDown() override {
        connect.Reset();
        std::wstring held;
        EXPECT_TRUE(world.AllReleased(&held)) << "a reference was kept on the object first asked for " << Narrow(held);
        EXPECT_EQ(addInInst.Refs(), 0);
        mirror_.reset();
        AddinDll::TearDown();
    }

    HRESULT ConnectAtStartup() { return connect->OnConnection(&app, ext_cm_Startup, &addInInst, nullptr); }
    void Click() {
        VARIANT_BOOL cancelDefault = VARIANT_FALSE;
        button.Fire(kButtonEvents, kClick, {Object(button), BoolRef(&cancelDefault)});
    }
    int Calls(const FakeObject& object, const std::wstring& name) const {
        int n = 0;
        for (const auto& call : object.Calls()) n += call.name == name;
        return n;
    }

    ComApartment apartment_;
    std::unique_ptr<ClassesMirror> mirror_;
    bool added_ = false;
    FakeWorld world;
    FakeObject &app = world.Make(), &ns = world.Make(), &explorers = world.Make(), &inspectors = world.Make();
    FakeObject &explorer = world.Make(), &inbox = world.Make(), &calendar = world.Make(), &selection = world.Make();
    FakeObject &bars = world.Make(), &toolbar = world.Make(), &controls = world.Make(), &button = world.Make();
    FakeObject& mail = world.Make();
    test::FakeDispatch addInInst{test::AddInInstProperties(L"KVOutlookAddin.Connect")};
    ComPtr<IDTExtensibility2> connect;
};

}  // namespace kv::win32::test
