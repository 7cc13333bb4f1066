#pragma once
// The add-in installed from the real DLL and connected to an Outlook made of
// fake IDispatch objects: one explorer on the Inbox, no inspectors, command
// bars that know no "Korvane" toolbar until it is added, and a selection the
// test fills. Message boxes the add-in shows are answered from a timer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "adapters/win32/extensibility.hpp"
#include "addin_dll_fixture.hpp"
#include "fake_object.hpp"
#include "window_probe.hpp"

namespace kv::win32::test {

// One explorer window of the fake Outlook: its selection, command bars that
// know no "Korvane" toolbar until it is added, and that toolbar's one button.
struct FakeExplorerWindow {
    FakeObject &explorer, &selection, &bars, &toolbar, &controls, &button;
    bool added = false;
};

// Office's ribbon interface (Office 2007 and later) as the host calls it:
// the add-in object is asked for it once connected, then for its markup
// per ribbon id, through the vtable.
constexpr IID kIRibbonExtensibility = {0x000C0396, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
struct IRibbonExtensibility : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) = 0;
};

// An Outlook with one explorer on the Inbox (and a second one the test may
// open), no inspectors, and command bars that know no "Korvane" toolbar
// until it is added. As in Outlook, a click raises Click on every button
// with the clicked one's tag and makes its window the active explorer.
// As Outlook 2010 and later, it asks the connected add-in for its ribbon and
// the main window's markup. Every explorer is shown in a top-level window of
// its own, which it tells through IOleWindow as Outlook's do, and which goes
// when it closes.
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
        // Nothing when Outlook was started without a main window.
        app.SetMethod(L"ActiveExplorer", [this](auto&, Var& result) { result = Var(static_cast<IDispatch*>(active)); });
        app.SetObject(L"Explorers", &explorers).SetObject(L"Inspectors", &inspectors);
        Collection(explorers, shownExplorers).AddEvents(kExplorersEvents);
        Collection(inspectors, shownInspectors).AddEvents(kInspectorsEvents);
        inbox.Set(L"Name", Var("Indbakke")).Set(L"DefaultMessageClass", Var("IPM.Note"));
        calendar.Set(L"Name", Var("Kalender")).Set(L"DefaultMessageClass", Var("IPM.Appointment"));
        Wire(main);
        Wire(other);
        Frame(main.explorer, L"Indbakke - Outlook");
        Frame(other.explorer, L"Indbakke - Outlook (2)");

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
    // Explorers or Inspectors: counted and indexed from 1 over the windows
    // shown now; an index out of range fails as Outlook's does.
    static FakeObject& Collection(FakeObject& collection, std::vector<FakeObject*>& shown) {
        collection.SetMethod(L"Count", [&shown](auto&, Var& result) { result = Var(static_cast<int>(shown.size())); });
        return collection.SetMethod(L"Item", [&shown](auto& args, Var& result) {
            const int index = Var(*args[0]).Int();
            if (index < 1 || index > static_cast<int>(shown.size()))
                throw FakeObject::Refusal{L"Matrixindekset er uden for området.", DISP_E_BADINDEX};
            result = Var(static_cast<IDispatch*>(shown[static_cast<std::size_t>(index - 1)]));
        });
    }
    // A top-level window for window to be shown in.
    void Frame(FakeObject& window, const wchar_t* caption) {
        HWND frame = ::CreateWindowExW(0, L"STATIC", caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30, 900, 640,
                                       nullptr, nullptr, nullptr, nullptr);
        window.SetWindow(frame);
        if (frame) frames_.push_back(frame);
    }
    void Wire(FakeExplorerWindow& w) {
        w.explorer.SetObject(L"CurrentFolder", &inbox).SetObject(L"Selection", &w.selection);
        w.explorer.SetObject(L"CommandBars", &w.bars).SetObject(L"Application", &app).AddEvents(kExplorerEvents10);
        w.selection.Set(L"Count", Var(0));
        w.bars.SetFailure(L"Item", L"Objektet blev ikke fundet.");
        w.bars.SetMethod(L"Add", [&w](auto&, Var& result) {
            w.bars.SetObject(L"Item", &w.toolbar);
            result = Var(static_cast<IDispatch*>(&w.toolbar));
        });
        w.toolbar.Set(L"Name", Var("Korvane")).Set(L"Visible", Var(false)).SetObject(L"Parent", &w.explorer);
        w.toolbar.SetObject(L"Controls", &w.controls).SetMethod(L"FindControl", [&w](auto& args, Var& result) {
            if (w.added && args.size() > 2 && Var(*args[2]).Text() == "CBButton")
                result = Var(static_cast<IDispatch*>(&w.button));
        });
        w.toolbar.SetMethod(L"Delete",
                            [&w](auto&, Var&) { w.bars.SetFailure(L"Item", L"Objektet blev ikke fundet."); });
        w.controls.Set(L"Count", Var(0)).SetMethod(L"Add", [&w](auto&, Var& result) {
            w.added = true;
            w.controls.Set(L"Count", Var(1));
            result = Var(static_cast<IDispatch*>(&w.button));
        });
        for (const wchar_t* name : {L"Caption", L"Tag", L"TooltipText", L"OnAction"}) w.button.Set(name, Var(""));
        w.button.Set(L"FaceId", Var(0)).Set(L"Style", Var(0)).Set(L"BeginGroup", Var(false));
        w.button.SetObject(L"Parent", &w.toolbar).AddEvents(kButtonEvents);
    }
    void TearDown() override {
        connect.Reset();
        std::wstring held;
        EXPECT_TRUE(world.AllReleased(&held)) << "a reference was kept on the object first asked for " << Narrow(held);
        EXPECT_EQ(addInInst.Refs(), 0);
        mirror_.reset();
        for (HWND frame : frames_) ::DestroyWindow(frame);
        AddinDll::TearDown();
    }

    HRESULT ConnectAtStartup() {
        const HRESULT hr = connect->OnConnection(&app, ext_cm_Startup, &addInInst, nullptr);
        ComPtr<IRibbonExtensibility> ribbon;
        if (SUCCEEDED(hr) &&
            SUCCEEDED(connect->QueryInterface(kIRibbonExtensibility, reinterpret_cast<void**>(ribbon.Put())))) {
            BSTR id = ::SysAllocString(L"Microsoft.Outlook.Explorer"), xml = nullptr;
            EXPECT_EQ(ribbon->GetCustomUI(id, &xml), S_OK);
            EXPECT_NE(::SysStringLen(xml), 0u) << "no markup for the main window";
            ::SysFreeString(id);
            ::SysFreeString(xml);
        }
        return hr;
    }
    void Click() { Click(main); }
    // The window's button pressed: its explorer becomes the active one, and
    // Click goes to every explorer button (they share the tag).
    void Click(FakeExplorerWindow& w) {
        active = &w.explorer;
        VARIANT_BOOL cancelDefault = VARIANT_FALSE;
        for (FakeExplorerWindow* each : {&main, &other})
            each->button.Fire(kButtonEvents, kClick, {Object(w.button), BoolRef(&cancelDefault)});
    }
    // A new explorer window, as Outlook announces it.
    void OpenExplorer(FakeExplorerWindow& w) {
        shownExplorers.push_back(&w.explorer);
        active = &w.explorer;
        explorers.Fire(kExplorersEvents, kNewWindow, {Object(w.explorer)});
    }
    // Close is raised while the window is still counted; then it leaves
    // its collection, and its frame goes.
    void CloseExplorer(FakeExplorerWindow& w) {
        w.explorer.Fire(kExplorerEvents10, kClose);
        std::erase(shownExplorers, &w.explorer);
        ::DestroyWindow(w.explorer.Window());
        if (active == &w.explorer) active = shownExplorers.empty() ? nullptr : shownExplorers.front();
    }
    int Calls(const FakeObject& object, const std::wstring& name) const {
        int n = 0;
        for (const auto& call : object.Calls()) n += call.name == name;
        return n;
    }

    ComApartment apartment_;
    std::unique_ptr<ClassesMirror> mirror_;
    FakeWorld world;
    FakeObject &app = world.Make(), &ns = world.Make(), &explorers = world.Make(), &inspectors = world.Make();
    FakeObject &inbox = world.Make(), &calendar = world.Make();
    FakeExplorerWindow main{world.Make(), world.Make(), world.Make(), world.Make(), world.Make(), world.Make()};
    FakeExplorerWindow other{world.Make(), world.Make(), world.Make(), world.Make(), world.Make(), world.Make()};
    // The first window's objects by their old names.
    FakeObject &explorer = main.explorer, &selection = main.selection, &bars = main.bars;
    FakeObject &toolbar = main.toolbar, &controls = main.controls, &button = main.button;
    FakeObject* active = &main.explorer;
    std::vector<FakeObject*> shownExplorers{&main.explorer}, shownInspectors;
    std::vector<HWND> frames_;
    FakeObject& mail = world.Make();
    FakeAddInInst addInInst{"KVOutlookAddin.Connect"};
    ComPtr<IDTExtensibility2> connect;
};

}  // namespace kv::win32::test
