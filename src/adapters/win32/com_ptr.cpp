#include "adapters/win32/com_ptr.hpp"

#include <new>

#include "support/utf.hpp"

namespace kv::win32 {

Bstr::Bstr(const std::wstring& text) : s_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!s_) throw std::bad_alloc();
}

std::wstring Widen(const std::string& utf8) {
    const std::u16string wide = utf::ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(const wchar_t* utf16, std::size_t length) {
    if (!utf16) return {};
    std::u16string wide(length, u'\0');
    for (std::size_t i = 0; i < length; ++i) wide[i] = static_cast<char16_t>(utf16[i]);
    return utf::ToUtf8(wide);
}

std::string Narrow(const std::wstring& utf16) { return Narrow(utf16.data(), utf16.size()); }

}  // namespace kv::win32
