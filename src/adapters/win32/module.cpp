#include "adapters/win32/module.hpp"

#include <atomic>
#include <vector>

#include "adapters/win32/com_ptr.hpp"
#include "support/error.hpp"

namespace kv::win32 {
namespace {

std::atomic<HMODULE> gModule{nullptr};
std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

const char* const kSource = "KVOutlookAddin";

[[noreturn]] void ThrowLastError(const std::string& what) {
    throw Error(static_cast<std::int32_t>(::GetLastError()), kSource, what);
}

}  // namespace

void SetModuleHandle(HMODULE module) noexcept { gModule = module; }

HMODULE ModuleHandle() noexcept {
    HMODULE module = gModule;
    return module ? module : ::GetModuleHandleW(nullptr);
}

void ObjectCreated() noexcept { ++gObjects; }
void ObjectDestroyed() noexcept { --gObjects; }
void LockModule(bool lock) noexcept {
    if (lock) {
        ++gLocks;
    } else {
        --gLocks;
    }
}
long LiveObjectCount() noexcept { return gObjects; }
bool CanUnloadModule() noexcept { return gObjects == 0 && gLocks == 0; }

std::wstring ModulePath(HMODULE module) {
    // The path may be longer than MAX_PATH; grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) ThrowLastError("The module file name cannot be read");
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        if (buffer.size() >= 32768) ThrowLastError("The module file name is too long");
        buffer.resize(buffer.size() * 2);
    }
}

ModuleInfo ReadModuleInfo(HMODULE module) {
    const std::wstring path = ModulePath(module);
    ModuleInfo info;
    const std::size_t slash = path.find_last_of(L"\\/");
    info.folder = Narrow(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
    info.fileName = Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));

    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) ThrowLastError("The module has no version resource: " + info.fileName);
    std::vector<unsigned char> data(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        ThrowLastError("The module version resource cannot be read: " + info.fileName);
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE) {
        throw Error(errnum::Unexpected, kSource, "The module version resource is malformed: " + info.fileName);
    }
    info.major = HIWORD(fixed->dwFileVersionMS);
    info.minor = LOWORD(fixed->dwFileVersionMS);
    info.build = HIWORD(fixed->dwFileVersionLS);
    info.revision = LOWORD(fixed->dwFileVersionLS);
    return info;
}

ModuleInfoReader OwnModuleInfoReader() {
    return [] { return ReadModuleInfo(ModuleHandle()); };
}

}  // namespace kv::win32
