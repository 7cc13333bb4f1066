// The Connect COM object's ribbon side, linked straight into the test: the
// markup handed over as Office reads it, the callbacks' names and ids, and
// the IRibbonControl read into the control the add-in gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapters/win32/connect.hpp"
#include "adapters/win32/extensibility.hpp"
#include "adapters/win32/module.hpp"
#include "adapters/win32/ribbon.hpp"
#include "fake_object.hpp"

namespace kv::win32 {
namespace {

using test::FakeObject;
using test::Var;

constexpr const char* kMarkup = "<customUI xmlns=\"x\"><!-- Søg i mails --></customUI>";

struct Pressed {
    std::size_t callback;
    std::string id, tag, window;  // window: "explorer", "inspector" or "none"
};

class RibbonHost final : public AddinHost {
public:
    explicit RibbonHost(std::vector<Pressed>& pressed) : pressed_(pressed) {}
    void OnConnection(const std::string&) override {}
    void OnDisconnection(int) override {}
    std::string GetCustomUI(const std::string& ribbonId) override {
        return ribbonId == "Microsoft.Outlook.Explorer" ? kMarkup : "";
    }
    std::vector<std::string> RibbonCallbacks() const override { return {"KorvaneEins", "KorvaneZwei"}; }
    void OnRibbonCallback(std::size_t callback, const kv::outlook::RibbonControl& control) noexcept override {
        const char* window = !control.context                                               ? "none"
                             : dynamic_cast<kv::outlook::Inspector*>(control.context.get()) ? "inspector"
                                                                                            : "explorer";
        pressed_.push_back({callback, control.id, control.tag, window});
    }

private:
    std::vector<Pressed>& pressed_;
};

class ConnectRibbonTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAddinHostFactory([this](IDispatch*) { return std::make_unique<RibbonHost>(pressed); });
        ASSERT_EQ(CreateConnect(nullptr, IID_IDTExtensibility2, reinterpret_cast<void**>(connect.Put())), S_OK);
        ASSERT_EQ(connect->QueryInterface(IID_IRibbonExtensibility, reinterpret_cast<void**>(ribbon.Put())), S_OK);
        inspector.SetObject(L"CurrentItem", &item);
        explorer.SetObject(L"CurrentFolder", &item);
    }
    void TearDown() override {
        ribbon.Reset();
        connect.Reset();
        SetAddinHostFactory(nullptr);
        EXPECT_EQ(LiveObjectCount(), 0);
        for (FakeObject* o : {&control, &explorer, &inspector, &item}) EXPECT_EQ(o->Refs(), 0);
    }
    void Connect() { ASSERT_EQ(connect->OnConnection(&application, ext_cm_Startup, &addInInst, nullptr), S_OK); }

    std::string CustomUI(const wchar_t* ribbonId, HRESULT expected = S_OK) {
        BSTR id = ::SysAllocString(ribbonId);
        BSTR xml = reinterpret_cast<BSTR>(1);  // whatever the caller's slot held
        EXPECT_EQ(ribbon->GetCustomUI(id, &xml), expected);
        ::SysFreeString(id);
        std::string text = xml ? Narrow(xml, ::SysStringLen(xml)) : std::string("(null)");
        ::SysFreeString(xml);
        return text;
    }
    DISPID IdOf(const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        const HRESULT hr = ribbon->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        return FAILED(hr) ? DISPID_UNKNOWN : id;
    }
    HRESULT Invoke(DISPID id, std::vector<VARIANT> args, UINT* argError = nullptr, UINT named = 0) {
        DISPID namedIds[] = {0};
        DISPPARAMS params{args.data(), named ? namedIds : nullptr, static_cast<UINT>(args.size()), named};
        EXCEPINFO info{};
        const HRESULT hr =
            ribbon->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &info, argError);
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        return hr;
    }

    std::vector<Pressed> pressed;
    FakeObject application;
    test::FakeAddInInst addInInst{"KVOutlookAddin.Connect"};
    FakeObject control, explorer, inspector, item;
    ComPtr<IDTExtensibility2> connect;
    ComPtr<IRibbonExtensibility> ribbon;
};

TEST_F(ConnectRibbonTest, TheRibbonIsTheAddinObjectItself) {
    ComPtr<IUnknown> fromConnect, fromRibbon;
    ASSERT_EQ(connect->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(fromConnect.Put())), S_OK);
    ASSERT_EQ(ribbon->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(fromRibbon.Put())), S_OK);
    EXPECT_EQ(fromConnect.Get(), fromRibbon.Get());
    ComPtr<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(ribbon->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(errorInfo.Put())), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IRibbonExtensibility), S_OK);
}

TEST_F(ConnectRibbonTest, MarkupIsTheConnectedAddinsAndNullElsewhere) {
    // Not connected yet: no markup, no callbacks.
    EXPECT_EQ(CustomUI(L"Microsoft.Outlook.Explorer"), "(null)");
    EXPECT_EQ(IdOf(L"KorvaneEins"), DISPID_UNKNOWN);
    Connect();
    EXPECT_EQ(CustomUI(L"Microsoft.Outlook.Explorer"), kMarkup);
    EXPECT_EQ(CustomUI(L"Microsoft.Outlook.Contact"), "(null)");
    EXPECT_EQ(ribbon->GetCustomUI(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(CustomUI(nullptr), "(null)");
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(CustomUI(L"Microsoft.Outlook.Explorer"), "(null)");
}

TEST_F(ConnectRibbonTest, CallbacksHaveIdsOfTheirOwnAndReachTheAddinWithTheirWindow) {
    Connect();
    const DISPID eins = IdOf(L"KorvaneEins"), zwei = IdOf(L"korvanezwei");
    ASSERT_NE(eins, DISPID_UNKNOWN);
    EXPECT_EQ(zwei, eins + 1);
    for (DISPID id : {eins, zwei}) EXPECT_GT(id, static_cast<DISPID>(DispId_OnBeginShutdown));
    EXPECT_EQ(IdOf(L"OnConnection"), DispId_OnConnection);
    EXPECT_EQ(IdOf(L"KorvaneDrei"), DISPID_UNKNOWN);

    struct Case {
        DISPID id;
        FakeObject* window;
        Pressed expected;
    } cases[] = {
        {eins, &explorer, {0, "KorvaneImport", "T1", "explorer"}},
        {zwei, &inspector, {1, "KorvaneImport", "T1", "inspector"}},
        {zwei, nullptr, {1, "KorvaneImport", "T1", "none"}},
    };
    for (const Case& c : cases) {
        pressed.clear();
        control.Set(L"Id", Var("KorvaneImport")).Set(L"Tag", Var("T1")).SetObject(L"Context", c.window);
        ASSERT_EQ(Invoke(c.id, {test::Object(control)}), S_OK);
        ASSERT_EQ(pressed.size(), 1u);
        EXPECT_EQ(pressed[0].callback, c.expected.callback);
        EXPECT_EQ(pressed[0].id, c.expected.id);
        EXPECT_EQ(pressed[0].tag, c.expected.tag);
        EXPECT_EQ(pressed[0].window, c.expected.window);
        EXPECT_EQ(control.Refs(), 0);
    }
}

TEST_F(ConnectRibbonTest, ACallbackRefusesWhatOfficeNeverSends) {
    Connect();
    const DISPID eins = IdOf(L"KorvaneEins");
    control.Set(L"Id", Var("b")).SetObject(L"Context", &explorer);
    UINT argError = 99;
    EXPECT_EQ(Invoke(eins, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Invoke(eins, {test::Object(control), test::Object(control)}), DISP_E_BADPARAMCOUNT);
    VARIANT number{};
    number.vt = VT_I4;
    number.lVal = 7;
    EXPECT_EQ(Invoke(eins, {number}, &argError), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 0u);
    VARIANT nothing{};
    nothing.vt = VT_DISPATCH;
    nothing.pdispVal = nullptr;
    EXPECT_EQ(Invoke(eins, {nothing}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Invoke(eins, {test::Object(control)}, nullptr, 1), DISP_E_NONAMEDARGS);
    EXPECT_TRUE(pressed.empty());
    // A control that cannot tell its window still reaches the add-in, without one.
    FakeObject bare;
    ASSERT_EQ(Invoke(eins, {test::Object(bare)}), S_OK);
    ASSERT_EQ(pressed.size(), 1u);
    EXPECT_EQ(pressed[0].window, "none");
    EXPECT_EQ(pressed[0].id, "");
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(Invoke(eins, {test::Object(control)}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(bare.Refs(), 0);
}

}  // namespace
}  // namespace kv::win32
