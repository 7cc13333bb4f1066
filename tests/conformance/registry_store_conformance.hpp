#pragma once
// Behaviour every RegistryStore shares with the Windows registry. Each store
// instantiates this suite with a factory:
//
//   struct Factory {
//       std::unique_ptr<kv::RegistryStore> Make();           // a store to test
//       void SetEnvironment(const std::string& name, const std::string& value);
//   };
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryStoreConformance, ::testing::Types<Factory>);
//
// Tests work below HKCU (and HKLM)\Software\KvConformance\<test> and remove
// it afterwards, so they can run against a real registry. Value enumeration
// order is never assumed.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ports/registry_store.hpp"
#include "support/registry_text.hpp"

namespace kv::conformance {

inline void DeleteTree(RegistryStore& store, RegRoot root, const std::string& path) {
    std::vector<std::string> children;
    {
        RegistryStore::Key key;
        if (store.OpenKey(root, path, regaccess::Read, key) != regstatus::Success) return;
        std::string name;
        for (std::uint32_t i = 0; store.EnumKey(key, i, name) == regstatus::Success; ++i) children.push_back(name);
    }
    for (const std::string& child : children) DeleteTree(store, root, path + "\\" + child);
    store.DeleteKey(root, path);
}

template <class Factory>
class RegistryStoreConformance : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = factory_.Make();
        base_ =
            std::string("Software\\KvConformance\\") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CleanUp();
    }
    void TearDown() override {
        if (store_) CleanUp();
    }
    void CleanUp() {
        for (RegRoot root : {regroot::CurrentUser, regroot::LocalMachine}) DeleteTree(*store_, root, base_);
    }

    RegistryStore& store() { return *store_; }
    std::string Path(const std::string& sub) const { return sub.empty() ? base_ : base_ + "\\" + sub; }

    RegistryStore::Key Create(const std::string& sub, RegRoot root = regroot::CurrentUser) {
        RegistryStore::Key key;
        EXPECT_EQ(store().CreateKey(root, Path(sub), regaccess::Write, key), regstatus::Success) << sub;
        return key;
    }
    bool Exists(const std::string& sub, RegRoot root = regroot::CurrentUser) {
        RegistryStore::Key key;
        return store().OpenKey(root, Path(sub), regaccess::QueryValue, key) == regstatus::Success;
    }
    // Names by index up to the end, which must answer "no more items".
    template <class Next>
    std::vector<std::string> Names(Next next) {
        std::vector<std::string> names;
        std::string name;
        RegStatus status;
        for (std::uint32_t i = 0; (status = next(i, name)) == regstatus::Success; ++i) names.push_back(name);
        EXPECT_EQ(status, regstatus::NoMoreItems);
        return names;
    }
    std::vector<std::string> ValueNames(const RegistryStore::Key& key) {
        auto names = Names([&](std::uint32_t i, std::string& name) { return store().EnumValue(key, i, name); });
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> KeyNames(const RegistryStore::Key& key) {
        return Names([&](std::uint32_t i, std::string& name) { return store().EnumKey(key, i, name); });
    }

    Factory factory_;
    std::unique_ptr<RegistryStore> store_;
    std::string base_;
};

TYPED_TEST_SUITE_P(RegistryStoreConformance);

TYPED_TEST_P(RegistryStoreConformance, CreateKeyMakesTheWholePathAndOpenFindsIt) {
    EXPECT_FALSE(this->Exists("a"));
    RegistryStore::Key missing;
    EXPECT_EQ(this->store().OpenKey(regroot::CurrentUser, this->Path("a\\b"), regaccess::Read, missing),
              regstatus::FileNotFound);
    EXPECT_FALSE(missing.IsOpen());

    this->Create("a\\b\\c");
    EXPECT_TRUE(this->Exists("a"));
    EXPECT_TRUE(this->Exists("a\\b"));
    EXPECT_TRUE(this->Exists("a\\b\\c"));
    // Creating an existing key opens it and keeps what it holds.
    {
        RegistryStore::Key key = this->Create("a\\b");
        ASSERT_EQ(this->store().SetValue(key, "v", regtype::Dword, Bytes{1, 0, 0, 0}), regstatus::Success);
    }
    RegistryStore::Key again = this->Create("a\\b");
    EXPECT_EQ(this->store().QueryValue(again, "v", nullptr, nullptr), regstatus::Success);
    EXPECT_EQ(this->KeyNames(again), std::vector<std::string>{"c"});
}

TYPED_TEST_P(RegistryStoreConformance, UnknownRootFailsCleanly) {
    const RegRoot bogus = 0x80000077u;
    RegistryStore::Key key;
    EXPECT_EQ(this->store().OpenKey(bogus, "Software", regaccess::Read, key), regstatus::InvalidHandle);
    EXPECT_EQ(this->store().CreateKey(bogus, "Software\\X", regaccess::Write, key), regstatus::InvalidHandle);
    EXPECT_NE(this->store().DeleteKey(bogus, "Software\\X"), regstatus::Success);
    EXPECT_FALSE(key.IsOpen());
    // A key never opened is no handle for anything.
    std::string name;
    EXPECT_EQ(this->store().QueryValue(key, "v", nullptr, nullptr), regstatus::InvalidHandle);
    EXPECT_EQ(this->store().SetValue(key, "v", regtype::Dword, Bytes{1, 0, 0, 0}), regstatus::InvalidHandle);
    EXPECT_EQ(this->store().EnumValue(key, 0, name), regstatus::InvalidHandle);
    EXPECT_EQ(this->store().EnumKey(key, 0, name), regstatus::InvalidHandle);
    EXPECT_EQ(this->store().DeleteValue(key, "v"), regstatus::InvalidHandle);
    // Nor is a name with a NUL in it a key: it would be cut at the NUL.
    EXPECT_EQ(
        this->store().CreateKey(regroot::CurrentUser, this->Path(std::string("nul\0cut", 7)), regaccess::Write, key),
        regstatus::InvalidParameter);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(this->Exists("nul"));
}

TYPED_TEST_P(RegistryStoreConformance, KeyNamesIgnoreCaseAndKeepIt) {
    this->Create("MixedCase\\Blåbærgrød");
    EXPECT_TRUE(this->Exists("mixedcase\\BLÅBÆRGRØD"));
    EXPECT_TRUE(this->Exists("MIXEDCASE\\blåbærgrød"));
    RegistryStore::Key parent = this->Create("MIXEDCASE");
    EXPECT_EQ(this->KeyNames(parent), std::vector<std::string>{"Blåbærgrød"});
    RegistryStore::Key base = this->Create("");
    EXPECT_EQ(this->KeyNames(base), std::vector<std::string>{"MixedCase"});
}

TYPED_TEST_P(RegistryStoreConformance, ValuesRoundTripByteExactForEveryType) {
    RegistryStore::Key key = this->Create("types");
    Bytes big(1 << 20);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7 + 3);
    struct Case {
        std::string name;
        RegType type;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"sz", regtype::Sz, reg::ToRegSz("Blåbærgrød og 😀")},
        {"expand", regtype::ExpandSz, reg::ToRegSz("%SystemRoot%\\x")},
        {"binary", regtype::Binary, Bytes{0, 1, 2, 0xFE, 0xFF}},
        {"emptybinary", regtype::Binary, Bytes{}},
        {"emptysz", regtype::Sz, Bytes{}},
        {"dword", regtype::Dword, Bytes{0x78, 0x56, 0x34, 0x12}},
        {"bigendian", regtype::DwordBigEndian, Bytes{0, 0, 0, 1}},
        {"multi", regtype::MultiSz, reg::ToRegSz(std::string("one\0two\0", 8))},
        {"none", regtype::None, Bytes{9, 8, 7}},
        {"qword", regtype::Qword, Bytes{1, 2, 3, 4, 5, 6, 7, 8}},
        {"", regtype::Sz, reg::ToRegSz("unnamed")},
        {"back\\slash", regtype::Sz, reg::ToRegSz("a\\b")},
        {"big", regtype::Binary, big},
    };
    for (const Case& c : cases)
        ASSERT_EQ(this->store().SetValue(key, c.name, c.type, c.data), regstatus::Success) << c.name;
    RegistryStore::Key reopened;
    ASSERT_EQ(this->store().OpenKey(regroot::CurrentUser, this->Path("types"), regaccess::Read, reopened),
              regstatus::Success);
    for (const Case& c : cases) {
        RegType type = 0xFFFF;
        Bytes data{42};
        ASSERT_EQ(this->store().QueryValue(reopened, c.name, &type, &data), regstatus::Success) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_TRUE(data == c.data) << c.name << ": " << data.size() << " bytes back, " << c.data.size() << " written";
    }
}

TYPED_TEST_P(RegistryStoreConformance, ValueNamesIgnoreCaseAndOverwriteReplacesType) {
    RegistryStore::Key key = this->Create("");
    ASSERT_EQ(this->store().SetValue(key, "Level", regtype::Sz, reg::ToRegSz("x")), regstatus::Success);
    ASSERT_EQ(this->store().SetValue(key, "LEVEL", regtype::Dword, Bytes{2, 0, 0, 0}), regstatus::Success);
    RegType type = 0;
    Bytes data;
    ASSERT_EQ(this->store().QueryValue(key, "level", &type, &data), regstatus::Success);
    EXPECT_EQ(type, regtype::Dword);
    EXPECT_EQ(data, (Bytes{2, 0, 0, 0}));
    EXPECT_EQ(this->ValueNames(key), std::vector<std::string>{"Level"});
    EXPECT_EQ(this->store().QueryValue(key, "Other", &type, &data), regstatus::FileNotFound);
    EXPECT_EQ(this->store().QueryValue(key, "", &type, &data), regstatus::FileNotFound);
}

TYPED_TEST_P(RegistryStoreConformance, EnumerationCountsValuesAndKeys) {
    RegistryStore::Key key = this->Create("enum");
    EXPECT_TRUE(this->ValueNames(key).empty());
    EXPECT_TRUE(this->KeyNames(key).empty());
    for (const char* name : {"c", "a", "b"}) {
        ASSERT_EQ(this->store().SetValue(key, name, regtype::Sz, reg::ToRegSz(name)), regstatus::Success);
        this->Create(std::string("enum\\k") + name);
    }
    EXPECT_EQ(this->ValueNames(key), (std::vector<std::string>{"a", "b", "c"}));
    std::vector<std::string> keys = this->KeyNames(key);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"ka", "kb", "kc"}));
    std::string name = "unchanged";
    EXPECT_EQ(this->store().EnumValue(key, 3, name), regstatus::NoMoreItems);
    EXPECT_EQ(this->store().EnumKey(key, 100, name), regstatus::NoMoreItems);
}

TYPED_TEST_P(RegistryStoreConformance, DeleteValueAndDeleteKey) {
    RegistryStore::Key key = this->Create("del\\child");
    ASSERT_EQ(this->store().SetValue(key, "v", regtype::Sz, reg::ToRegSz("x")), regstatus::Success);
    EXPECT_EQ(this->store().DeleteValue(key, "V"), regstatus::Success);
    EXPECT_EQ(this->store().QueryValue(key, "v", nullptr, nullptr), regstatus::FileNotFound);
    EXPECT_EQ(this->store().DeleteValue(key, "v"), regstatus::FileNotFound);
    key.Close();

    // A key with sub-keys stays.
    EXPECT_NE(this->store().DeleteKey(regroot::CurrentUser, this->Path("del")), regstatus::Success);
    EXPECT_TRUE(this->Exists("del\\child"));
    EXPECT_EQ(this->store().DeleteKey(regroot::CurrentUser, this->Path("DEL\\Child")), regstatus::Success);
    EXPECT_FALSE(this->Exists("del\\child"));
    EXPECT_TRUE(this->Exists("del"));
    EXPECT_EQ(this->store().DeleteKey(regroot::CurrentUser, this->Path("del\\child")), regstatus::FileNotFound);
}

TYPED_TEST_P(RegistryStoreConformance, AccessRightsAreChecked) {
    this->Create("acl");
    RegistryStore::Key readOnly;
    ASSERT_EQ(this->store().OpenKey(regroot::CurrentUser, this->Path("acl"), regaccess::QueryValue, readOnly),
              regstatus::Success);
    EXPECT_EQ(this->store().SetValue(readOnly, "v", regtype::Sz, reg::ToRegSz("x")), regstatus::AccessDenied);
    EXPECT_EQ(this->store().DeleteValue(readOnly, "v"), regstatus::AccessDenied);
    RegistryStore::Key writable;
    ASSERT_EQ(this->store().OpenKey(regroot::CurrentUser, this->Path("acl"), regaccess::Write, writable),
              regstatus::Success);
    EXPECT_EQ(this->store().SetValue(writable, "v", regtype::Sz, reg::ToRegSz("x")), regstatus::Success);
    EXPECT_EQ(this->store().QueryValue(readOnly, "v", nullptr, nullptr), regstatus::Success);
}

TYPED_TEST_P(RegistryStoreConformance, RootsAreSeparate) {
    this->Create("only-user");
    EXPECT_TRUE(this->Exists("only-user", regroot::CurrentUser));
    EXPECT_FALSE(this->Exists("only-user", regroot::LocalMachine));
    RegistryStore::Key machine = this->Create("", regroot::LocalMachine);
    ASSERT_EQ(this->store().SetValue(machine, "m", regtype::Dword, Bytes{5, 0, 0, 0}), regstatus::Success);
    RegistryStore::Key user = this->Create("");
    EXPECT_EQ(this->store().QueryValue(user, "m", nullptr, nullptr), regstatus::FileNotFound);
}

TYPED_TEST_P(RegistryStoreConformance, ADeletedKeysHandleNoLongerReads) {
    RegistryStore::Key key = this->Create("gone");
    ASSERT_EQ(this->store().SetValue(key, "v", regtype::Sz, reg::ToRegSz("x")), regstatus::Success);
    ASSERT_EQ(this->store().DeleteKey(regroot::CurrentUser, this->Path("gone")), regstatus::Success);
    EXPECT_NE(this->store().QueryValue(key, "v", nullptr, nullptr), regstatus::Success);
}

TYPED_TEST_P(RegistryStoreConformance, ExpandsKnownNamesAndKeepsTheRest) {
    this->factory_.SetEnvironment("KV_CONFORMANCE_DIR", "C:\\Data");
    EXPECT_EQ(this->store().ExpandEnvironment("%KV_CONFORMANCE_DIR%\\Korvane"), "C:\\Data\\Korvane");
    EXPECT_EQ(this->store().ExpandEnvironment("100% sure"), "100% sure");
    EXPECT_EQ(this->store().ExpandEnvironment("%KV_NOT_DEFINED_ANYWHERE%"), "%KV_NOT_DEFINED_ANYWHERE%");
    EXPECT_EQ(this->store().ExpandEnvironment(""), "");
}

REGISTER_TYPED_TEST_SUITE_P(RegistryStoreConformance, CreateKeyMakesTheWholePathAndOpenFindsIt, UnknownRootFailsCleanly,
                            KeyNamesIgnoreCaseAndKeepIt, ValuesRoundTripByteExactForEveryType,
                            ValueNamesIgnoreCaseAndOverwriteReplacesType, EnumerationCountsValuesAndKeys,
                            DeleteValueAndDeleteKey, AccessRightsAreChecked, RootsAreSeparate,
                            ADeletedKeysHandleNoLongerReads, ExpandsKnownNamesAndKeepsTheRest);

}  // namespace kv::conformance
