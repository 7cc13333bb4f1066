#include <windows.h>

#include <memory>
#include <string>

#include "adapters/win32/com_ptr.hpp"
#include "adapters/win32/win32_registry_store.hpp"
#include "conformance/registry_store_conformance.hpp"
#include "support/registry_text.hpp"

namespace {

struct Win32StoreFactory {
    std::unique_ptr<kv::RegistryStore> Make() { return std::make_unique<kv::win32::Win32RegistryStore>(); }
    // ExpandEnvironmentStringsW reads the process environment block.
    void SetEnvironment(const std::string& name, const std::string& value) {
        ::SetEnvironmentVariableW(kv::win32::Widen(name).c_str(), kv::win32::Widen(value).c_str());
    }
};

}  // namespace

namespace kv::conformance {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryStoreConformance, ::testing::Types<Win32StoreFactory>);
}

namespace {

using kv::RegistryStore;
namespace regstatus = kv::regstatus;
namespace regroot = kv::regroot;
namespace regaccess = kv::regaccess;

class Win32RegistryStoreTest : public ::testing::Test {
protected:
    void TearDown() override { kv::conformance::DeleteTree(store_, regroot::CurrentUser, kBase); }
    static constexpr const char* kBase = "Software\\KvWin32StoreTest";
    kv::win32::Win32RegistryStore store_;
};

// What the store writes is what other Windows programs read through the
// registry itself, characters outside the ANSI code page included.
TEST_F(Win32RegistryStoreTest, TextsReachTheRealRegistryAsUtf16) {
    RegistryStore::Key key;
    ASSERT_EQ(store_.CreateKey(regroot::CurrentUser, std::string(kBase) + "\\Ærø 😀", regaccess::Write, key),
              regstatus::Success);
    ASSERT_EQ(store_.SetValue(key, "Navn", kv::regtype::Sz, kv::reg::ToRegSz("Blåbær ✓")), regstatus::Success);
    key.Close();

    HKEY raw = nullptr;
    ASSERT_EQ(
        ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\KvWin32StoreTest\\\u00C6r\u00F8 \U0001F600", 0, KEY_READ, &raw),
        ERROR_SUCCESS);
    wchar_t text[64] = {};
    DWORD size = sizeof text;
    DWORD type = 0;
    EXPECT_EQ(::RegQueryValueExW(raw, L"navn", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    ::RegCloseKey(raw);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(text), L"Bl\u00E5b\u00E6r \u2713");
}

// Names Windows would take otherwise than meant are refused, not cut or
// taken as a root.
TEST_F(Win32RegistryStoreTest, MalformedNamesAnswerAStatus) {
    RegistryStore::Key key;
    EXPECT_EQ(store_.DeleteKey(regroot::CurrentUser, ""), regstatus::InvalidParameter);
    EXPECT_NE(store_.CreateKey(regroot::CurrentUser, std::string(kBase) + "\\" + std::string(300, 'k'),
                               regaccess::Write, key),
              regstatus::Success);
}

TEST_F(Win32RegistryStoreTest, ExpandsLongResults) {
    const std::string longValue(5000, 'x');
    ::SetEnvironmentVariableW(L"KV_LONG_VALUE", kv::win32::Widen(longValue).c_str());
    EXPECT_EQ(store_.ExpandEnvironment("<%KV_LONG_VALUE%>"), "<" + longValue + ">");
}

}  // namespace
