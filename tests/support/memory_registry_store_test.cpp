#include <gtest/gtest.h>

#include "conformance/registry_store_conformance.hpp"
#include "fakes/memory_registry_store.hpp"

namespace {

struct MemoryStoreFactory {
    kv::fakes::MemoryRegistryStore* last = nullptr;
    std::unique_ptr<kv::RegistryStore> Make() {
        auto store = std::make_unique<kv::fakes::MemoryRegistryStore>();
        last = store.get();
        return store;
    }
    void SetEnvironment(const std::string& name, const std::string& value) { last->SetEnvironment(name, value); }
};

}  // namespace

namespace kv::conformance {
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, RegistryStoreConformance, ::testing::Types<MemoryStoreFactory>);
}

namespace kv::fakes {
namespace {

TEST(MemoryRegistryStore, ClosingAKeyReleasesItsHandle) {
    MemoryRegistryStore store;
    {
        RegistryStore::Key key;
        ASSERT_EQ(store.CreateKey(regroot::CurrentUser, "A", regaccess::Write, key), regstatus::Success);
        RegistryStore::Key moved = std::move(key);
        EXPECT_EQ(store.OpenKeyCount(), 1u);
    }
    EXPECT_EQ(store.OpenKeyCount(), 0u);
    RegistryStore::Key key;
    ASSERT_EQ(store.CreateKey(regroot::CurrentUser, "A", regaccess::Write, key), regstatus::Success);
    EXPECT_EQ(store.OpenKey(regroot::CurrentUser, "Missing", regaccess::Read, key), regstatus::FileNotFound);
    EXPECT_EQ(store.OpenKeyCount(), 0u) << "a failed open lets go of what the key held";
}

TEST(MemoryRegistryStore, MalformedPathsAreRefused) {
    MemoryRegistryStore store;
    EXPECT_EQ(store.DeleteKey(regroot::CurrentUser, ""), regstatus::AccessDenied) << "a root, even an empty one";
    RegistryStore::Key key;
    EXPECT_EQ(store.CreateKey(regroot::CurrentUser, "A\\\\B", regaccess::Write, key), regstatus::InvalidParameter);
    EXPECT_EQ(store.CreateKey(regroot::CurrentUser, "\\A", regaccess::Write, key), regstatus::InvalidParameter);
    EXPECT_EQ(store.CreateKey(regroot::CurrentUser, std::string(256, 'k'), regaccess::Write, key),
              regstatus::InvalidParameter);
    EXPECT_EQ(store.CreateKey(regroot::CurrentUser, "line\nbreak", regaccess::Write, key), regstatus::InvalidParameter);
    EXPECT_EQ(store.CreateKey(regroot::CurrentUser, std::string(255, 'k') + "\\", regaccess::Write, key),
              regstatus::Success);
    EXPECT_EQ(store.SetValue(key, std::string(16384, 'v'), regtype::Sz, Bytes{0, 0}), regstatus::InvalidParameter);
    EXPECT_EQ(store.DeleteKey(regroot::CurrentUser, ""), regstatus::AccessDenied);
}

}  // namespace
}  // namespace kv::fakes
