// The Connect COM object linked straight into the test: interfaces, reference
// counts, and how each call reaches the add-in behind the AddinHost seam; and
// its ribbon side: the markup handed over as Office reads it, the callbacks'
// names and ids, and the IRibbonControl read into the control the add-in gets.
#include "adapters/win32/connect.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/extensibility.hpp"
#include "adapters/win32/module.hpp"
#include "adapters/win32/registration.hpp"
#include "adapters/win32/ribbon.hpp"
#include "fake_object.hpp"
#include "support/error.hpp"

namespace kv::win32 {
namespace {

using test::FakeAddInInst;
using test::FakeObject;
using test::Object;
using test::Var;

constexpr const char* kMarkup = "<customUI xmlns=\"x\"><!-- Søg i mails --></customUI>";

struct Pressed {
    std::size_t callback;
    std::string id, tag, window;  // window: "explorer", "inspector" or "none"
    bool operator==(const Pressed&) const = default;
};

struct HostLog {
    std::vector<std::string> calls;
    IDispatch* application = nullptr;
    bool alive = false;
    bool throwOnConnection = false;
    bool letGoOnStartupComplete = false;  // as the add-in does when Outlook's last window closes
    std::vector<Pressed> pressed;         // ribbon callbacks
};

class RecordingHost final : public AddinHost {
public:
    RecordingHost(HostLog& log, IDispatch* application) : log_(log), application_(application) {
        log_.application = application;
        log_.alive = true;
    }
    ~RecordingHost() override { log_.alive = false; }
    void OnConnection(const std::string& progId) override {
        log_.calls.emplace_back("connect " + progId);
        if (log_.throwOnConnection) throw Error(91, "OutAddIn", "Objektvariabel ikke sat");
    }
    void OnConnectionFailed(const std::string& reason) noexcept override {
        log_.calls.emplace_back("failed " + reason);
    }
    void OnDisconnection(int removeMode) override {
        log_.calls.emplace_back("disconnect " + std::to_string(removeMode));
    }
    void OnAddInsUpdate() override { log_.calls.emplace_back("addins update"); }
    void OnStartupComplete() override {
        log_.calls.emplace_back("startup complete");
        if (log_.letGoOnStartupComplete) application_.Reset();
    }
    void OnBeginShutdown() override { log_.calls.emplace_back("begin shutdown"); }
    std::string GetCustomUI(const std::string& ribbonId) override {
        return ribbonId == "Microsoft.Outlook.Explorer" ? kMarkup : "";
    }
    std::vector<std::string> RibbonCallbacks() const override { return {"KorvaneEins", "KorvaneZwei"}; }
    void OnRibbonCallback(std::size_t callback, const kv::outlook::RibbonControl& control) noexcept override {
        const char* window = !control.context                                               ? "none"
                             : dynamic_cast<kv::outlook::Inspector*>(control.context.get()) ? "inspector"
                                                                                            : "explorer";
        log_.pressed.push_back({callback, control.id, control.tag, window});
    }

private:
    HostLog& log_;
    ComPtr<IDispatch> application_;  // the add-in keeps the application, as the real one does
};

class ConnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LiveObjectCount(), 0);
        SetAddinHostFactory([this](IDispatch* app) { return std::make_unique<RecordingHost>(log, app); });
        ASSERT_EQ(CreateConnect(nullptr, IID_IDTExtensibility2, reinterpret_cast<void**>(connect.Put())), S_OK);
    }
    // Released connected or not, Connect lets go of the add-in and the application.
    void TearDown() override {
        connect.Reset();
        SetAddinHostFactory(nullptr);
        EXPECT_EQ(LiveObjectCount(), 0);
        EXPECT_EQ(application.Refs(), 0);
        EXPECT_EQ(addInInst.Refs(), 0);
        EXPECT_FALSE(log.alive);
    }

    HostLog log;
    FakeObject application;
    FakeAddInInst addInInst{"KVOutlookAddin.Connect"};
    ComPtr<IDTExtensibility2> connect;
};

// Every interface is the one object: one IUnknown, errors described on both
// interfaces, no type information, nothing else answered.
TEST_F(ConnectTest, AnswersForItsInterfacesWithOneIdentity) {
    ComPtr<IUnknown> unknown, again;
    ComPtr<IDispatch> dispatch;
    ComPtr<ISupportErrorInfo> errorInfo;
    ComPtr<IRibbonExtensibility> ribbon;
    ASSERT_EQ(connect.As(IID_IUnknown, unknown), S_OK);
    ASSERT_EQ(connect.As(IID_IDispatch, dispatch), S_OK);
    ASSERT_EQ(connect.As(IID_ISupportErrorInfo, errorInfo), S_OK);
    ASSERT_EQ(connect->QueryInterface(IID_IRibbonExtensibility, reinterpret_cast<void**>(ribbon.Put())), S_OK);
    for (void* each : {static_cast<void*>(dispatch.Get()), static_cast<void*>(connect.Get())})
        EXPECT_EQ(static_cast<void*>(unknown.Get()), each);
    for (IUnknown* each : {static_cast<IUnknown*>(errorInfo.Get()), static_cast<IUnknown*>(ribbon.Get())}) {
        ASSERT_EQ(each->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(again.Put())), S_OK);
        EXPECT_EQ(again.Get(), unknown.Get());
    }
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDTExtensibility2), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IRibbonExtensibility), S_OK);
    UINT count = 7;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);

    ComPtr<IClassFactory> none;
    EXPECT_EQ(connect.As(IID_IClassFactory, none), E_NOINTERFACE);
    EXPECT_EQ(connect->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(LiveObjectCount(), 1);
}

TEST_F(ConnectTest, HandsConnectionAndDisconnectionToTheAddin) {
    ASSERT_EQ(connect->OnConnection(&application, ext_cm_Startup, &addInInst, nullptr), S_OK);
    EXPECT_EQ(log.application, static_cast<IDispatch*>(&application));
    EXPECT_EQ(application.Refs(), 1);  // the add-in's; Connect keeps none
    EXPECT_EQ(addInInst.Refs(), 0);    // only read at connection
    EXPECT_EQ(connect->OnStartupComplete(nullptr), S_OK);
    EXPECT_EQ(connect->OnAddInsUpdate(nullptr), S_OK);
    EXPECT_EQ(connect->OnBeginShutdown(nullptr), S_OK);
    EXPECT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(application.Refs(), 0);
    EXPECT_FALSE(log.alive);
    const std::vector<std::string> expected = {"connect KVOutlookAddin.Connect", "startup complete", "addins update",
                                               "begin shutdown", "disconnect 1"};
    EXPECT_EQ(log.calls, expected);

    // Disconnecting twice is harmless and does not reach a gone add-in.
    EXPECT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_EQ(log.calls.size(), expected.size());
}

// The ProgId is read by name, as Unicode.
TEST_F(ConnectTest, ReconnectsAfterDisconnectionButNotTwiceAtOnce) {
    FakeAddInInst danish{"Kørvane.Forbind"};
    ASSERT_EQ(connect->OnConnection(&application, ext_cm_AfterStartup, &addInInst, nullptr), S_OK);
    EXPECT_EQ(connect->OnConnection(&application, ext_cm_AfterStartup, &addInInst, nullptr), E_UNEXPECTED);
    EXPECT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    ASSERT_EQ(connect->OnConnection(&application, ext_cm_AfterStartup, &danish, nullptr), S_OK);
    EXPECT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    const std::vector<std::string> expected = {"connect KVOutlookAddin.Connect", "disconnect 0",
                                               "connect Kørvane.Forbind", "disconnect 0"};
    EXPECT_EQ(log.calls, expected);
    EXPECT_EQ(danish.Refs(), 0);
}

TEST_F(ConnectTest, FailedConnectionKeepsNothing) {
    FakeObject noProgId;
    noProgId.Set(L"Name", test::Var("x"));
    EXPECT_EQ(connect->OnConnection(&application, ext_cm_Startup, &noProgId, nullptr), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(connect->OnConnection(nullptr, ext_cm_Startup, &addInInst, nullptr), E_INVALIDARG);
    EXPECT_EQ(connect->OnConnection(&application, ext_cm_Startup, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(application.Refs(), 0);
    // Only the unread ProgId reaches the add-in, for its log to say why.
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].rfind("failed the add-in instance's ProgId could not be read (0x80020006)", 0), 0u)
        << log.calls[0];
    log.calls.clear();

    log.throwOnConnection = true;
    const HRESULT hr = connect->OnConnection(&application, ext_cm_Startup, &addInInst, nullptr);
    EXPECT_EQ(hr, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 91));
    EXPECT_EQ(application.Refs(), 0);
    EXPECT_FALSE(log.alive);
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(::GetErrorInfo(0, info.Put()), S_OK);
    BSTR description = nullptr;
    ASSERT_EQ(info->GetDescription(&description), S_OK);
    EXPECT_EQ(Narrow(description, ::SysStringLen(description)), "Objektvariabel ikke sat");
    ::SysFreeString(description);
}

TEST_F(ConnectTest, WithoutAnAddinNothingIsHeld) {
    SetAddinHostFactory(nullptr);
    ASSERT_EQ(connect->OnConnection(&application, ext_cm_Startup, &addInInst, nullptr), S_OK);
    EXPECT_EQ(application.Refs(), 0);
    EXPECT_EQ(connect->OnStartupComplete(nullptr), S_OK);
    EXPECT_EQ(connect->OnConnection(&application, ext_cm_Startup, &addInInst, nullptr), E_UNEXPECTED);
    EXPECT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(application.Refs(), 0);
}

TEST_F(ConnectTest, WhenTheAddinLetsGoOfTheApplicationNoReferenceIsLeft) {
    log.letGoOnStartupComplete = true;
    ASSERT_EQ(connect->OnConnection(&application, ext_cm_Startup, &addInInst, nullptr), S_OK);
    EXPECT_EQ(application.Refs(), 1);
    EXPECT_EQ(connect->OnStartupComplete(nullptr), S_OK);
    EXPECT_EQ(application.Refs(), 0) << "Outlook can end before it disconnects the add-in";
    EXPECT_TRUE(log.alive);
    EXPECT_EQ(connect->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
    EXPECT_FALSE(log.alive);
}

// Late binding through IDispatch, as a scripting host (or Office calling a
// ribbon callback) reaches the add-in: members by name in any case.
class ConnectDispatchTest : public ConnectTest {
protected:
    DISPID IdOf(const wchar_t* name) {
        ComPtr<IDispatch> dispatch;
        EXPECT_EQ(connect.As(IID_IDispatch, dispatch), S_OK);
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 0;
        const HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        EXPECT_EQ(FAILED(hr), id == DISPID_UNKNOWN) << "a name not found has no id";
        return id;
    }
    HRESULT Invoke(DISPID id, std::vector<VARIANT> argsLeftToRight, UINT* argError = nullptr,
                   EXCEPINFO* excepInfo = nullptr, UINT named = 0) {
        ComPtr<IDispatch> dispatch;
        EXPECT_EQ(connect.As(IID_IDispatch, dispatch), S_OK);
        std::vector<VARIANT> reversed(argsLeftToRight.rbegin(), argsLeftToRight.rend());
        DISPID namedIds[] = {0};
        DISPPARAMS params{reversed.data(), named ? namedIds : nullptr, static_cast<UINT>(reversed.size()), named};
        EXCEPINFO own{};
        VARIANT result;
        ::VariantInit(&result);
        const HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                                            excepInfo ? excepInfo : &own, argError);
        ::VariantClear(&result);
        ::SysFreeString(own.bstrSource);
        ::SysFreeString(own.bstrDescription);
        return hr;
    }
    HRESULT Call(const wchar_t* name, std::vector<VARIANT> argsLeftToRight, EXCEPINFO* excepInfo = nullptr,
                 UINT* argError = nullptr) {
        const DISPID id = IdOf(name);
        return id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : Invoke(id, argsLeftToRight, argError, excepInfo);
    }
    static VARIANT Number(short n) {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_I2;
        v.iVal = n;
        return v;
    }
    static VARIANT Missing() {
        VARIANT v;
        ::VariantInit(&v);
        v.vt = VT_ERROR;
        v.scode = DISP_E_PARAMNOTFOUND;
        return v;
    }
};

TEST_F(ConnectDispatchTest, InvokeReachesTheAddinWithConvertedArguments) {
    ASSERT_EQ(Call(L"OnConnection", {Object(application), Number(1), Object(addInInst), Missing()}), S_OK);
    EXPECT_EQ(application.Refs(), 1);  // the add-in's
    ASSERT_EQ(Call(L"OnDisconnection", {Number(1), Missing()}), S_OK);
    EXPECT_EQ(application.Refs(), 0);
    const std::vector<std::string> expected = {"connect KVOutlookAddin.Connect", "disconnect 1"};
    EXPECT_EQ(log.calls, expected);
}

TEST_F(ConnectDispatchTest, BadCallsAreRefusedWithTheirReason) {
    EXPECT_EQ(Call(L"OnDisconnection", {Number(1)}), DISP_E_BADPARAMCOUNT);
    VARIANT text;
    ::VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = ::SysAllocString(L"nej");
    UINT argError = 99;
    EXPECT_EQ(Call(L"OnConnection", {Object(application), text, Object(addInInst), Missing()}, nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 2u);  // counted from the right, as DISPPARAMS holds them
    ::VariantClear(&text);
    EXPECT_EQ(application.Refs(), 0);

    log.throwOnConnection = true;
    EXCEPINFO excepInfo{};
    EXPECT_EQ(Call(L"OnConnection", {Object(application), Number(0), Object(addInInst), Missing()}, &excepInfo),
              DISP_E_EXCEPTION);
    EXPECT_EQ(excepInfo.scode, MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 91));
    ASSERT_NE(excepInfo.bstrDescription, nullptr);
    EXPECT_EQ(Narrow(excepInfo.bstrDescription, ::SysStringLen(excepInfo.bstrDescription)), "Objektvariabel ikke sat");
    ::SysFreeString(excepInfo.bstrDescription);
    ::SysFreeString(excepInfo.bstrSource);
    EXPECT_EQ(application.Refs(), 0);
}

class ConnectRibbonTest : public ConnectDispatchTest {
protected:
    void SetUp() override {
        ConnectTest::SetUp();
        ASSERT_EQ(connect->QueryInterface(IID_IRibbonExtensibility, reinterpret_cast<void**>(ribbon.Put())), S_OK);
        inspector.SetObject(L"CurrentItem", &item);
        explorer.SetObject(L"CurrentFolder", &item);
    }
    void TearDown() override {
        ribbon.Reset();
        ConnectTest::TearDown();
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

    std::vector<Pressed>& pressed = log.pressed;
    FakeObject control, explorer, inspector, item;
    ComPtr<IRibbonExtensibility> ribbon;
};

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
    const wchar_t* own[] = {L"OnConnection", L"ondisconnection", L"OnAddInsUpdate", L"ONSTARTUPCOMPLETE",
                            L"OnBeginShutdown"};
    for (DISPID expected = DispId_OnConnection; expected <= DispId_OnBeginShutdown; ++expected)
        EXPECT_EQ(IdOf(own[expected - DispId_OnConnection]), expected);
    EXPECT_EQ(IdOf(L"KorvaneDrei"), DISPID_UNKNOWN);
    EXPECT_EQ(IdOf(L"Connect"), DISPID_UNKNOWN);

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
        EXPECT_TRUE(pressed == std::vector<Pressed>{c.expected}) << c.expected.window;
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
    EXPECT_EQ(Invoke(eins, {test::Object(control)}, nullptr, nullptr, 1), DISP_E_NONAMEDARGS);
    EXPECT_TRUE(pressed.empty());
    // A control that cannot tell its window still reaches the add-in, without one.
    FakeObject bare;
    ASSERT_EQ(Invoke(eins, {test::Object(bare)}), S_OK);
    EXPECT_TRUE((pressed == std::vector<Pressed>{{0, "", "", "none"}}));
    ASSERT_EQ(connect->OnDisconnection(ext_dm_UserClosed, nullptr), S_OK);
    EXPECT_EQ(Invoke(eins, {test::Object(control)}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(bare.Refs(), 0);
}

TEST(ConnectClassFactory, MakesConnectOnlyAndCountsLocks) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(GetConnectClassObject(IID_IClassFactory, IID_IClassFactory, reinterpret_cast<void**>(factory.Put())),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(GetConnectClassObject(CLSID_Connect, IID_IClassFactory, reinterpret_cast<void**>(factory.Put())), S_OK);
    EXPECT_FALSE(CanUnloadModule());  // a client holding the factory keeps the module

    ComPtr<IUnknown> object;
    FakeObject someOuter;
    EXPECT_EQ(factory->CreateInstance(static_cast<IDispatch*>(&someOuter), IID_IUnknown,
                                      reinterpret_cast<void**>(object.Put())),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(object.Put())),
              E_NOINTERFACE);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.Put())), S_OK);
    EXPECT_EQ(LiveObjectCount(), 2);
    object.Reset();

    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(LiveObjectCount(), 0);
    EXPECT_FALSE(CanUnloadModule());  // only the lock is left
    ASSERT_EQ(GetConnectClassObject(CLSID_Connect, IID_IClassFactory, reinterpret_cast<void**>(factory.Put())), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_TRUE(CanUnloadModule());
    EXPECT_EQ(someOuter.Refs(), 0);
}

}  // namespace
}  // namespace kv::win32
