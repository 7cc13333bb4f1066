#include "adapters/win32/com_ptr.hpp"

#include <gtest/gtest.h>

#include "fake_object.hpp"

namespace kv::win32 {
namespace {

using test::FakeObject;

TEST(ComPtr, EveryReferenceTakenIsGivenBack) {
    FakeObject object;
    {
        ComPtr<IDispatch> shared(&object);
        EXPECT_EQ(object.Refs(), 1);
        ComPtr<IDispatch> copy = shared;
        EXPECT_EQ(object.Refs(), 2);
        ComPtr<IDispatch> moved = std::move(copy);
        EXPECT_EQ(object.Refs(), 2);
        EXPECT_FALSE(copy);  // NOLINT(bugprone-use-after-move): a moved-from holder is empty
        copy = moved;        // copy-assign into an empty holder
        EXPECT_EQ(object.Refs(), 3);
        copy = copy;  // self-assignment keeps the one reference
        EXPECT_EQ(object.Refs(), 3);
        moved.Reset();
        EXPECT_EQ(object.Refs(), 2);
    }
    EXPECT_EQ(object.Refs(), 0);
}

TEST(ComPtr, AttachAdoptsAndDetachHandsOver) {
    FakeObject object;
    object.AddRef();  // an out-parameter's reference
    IDispatch* raw = nullptr;
    {
        ComPtr<IDispatch> adopted = ComPtr<IDispatch>::Attach(&object);
        EXPECT_EQ(object.Refs(), 1);
        raw = adopted.Detach();
        EXPECT_FALSE(adopted);
    }
    EXPECT_EQ(object.Refs(), 1);
    raw->Release();
    EXPECT_EQ(object.Refs(), 0);
}

TEST(ComPtr, PutReleasesWhatWasHeldAndQueryFillsIt) {
    FakeObject first, second;
    ComPtr<IDispatch> holder(&first);
    IDispatch** slot = holder.Put();
    EXPECT_EQ(first.Refs(), 0);
    EXPECT_EQ(*slot, nullptr);
    ComPtr<IUnknown> unknown(static_cast<IUnknown*>(static_cast<IDispatch*>(&second)));
    EXPECT_EQ(unknown.As(IID_IDispatch, holder), S_OK);
    EXPECT_EQ(holder.Get(), static_cast<IDispatch*>(&second));
    EXPECT_EQ(second.Refs(), 2);
    ComPtr<IClassFactory> wrong;
    EXPECT_EQ(unknown.As(IID_IClassFactory, wrong), E_NOINTERFACE);
    EXPECT_FALSE(wrong);
    ComPtr<IDispatch> empty;
    EXPECT_EQ(empty.As(IID_IDispatch, holder), E_POINTER);
    EXPECT_EQ(second.Refs(), 1);
}

TEST(Bstr, KeepsEmbeddedNulAndLength) {
    const std::wstring text(L"a\0b", 3);
    Bstr bstr(text);
    EXPECT_EQ(::SysStringLen(bstr.Get()), 3u);
    EXPECT_EQ(std::wstring(bstr.Get(), 3), text);
}

}  // namespace
}  // namespace kv::win32
