#include "ports/ui/text_box.hpp"

#include "support/utf.hpp"

namespace kv::ui {

namespace {

void RemoveLastCodePoint(std::string& text) {
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.back());
        text.pop_back();
        if ((byte & 0xC0) != 0x80) break;  // reached the lead byte
    }
}

bool IsCharacter(int code) {
    return code >= 32 && code != 127 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

}  // namespace

void TextBox::SetText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    Change.Raise();
}

int TextBox::UserFilterKey(int code) {
    if (!AcceptsInput()) return 0;
    KeyPress.Raise(code);
    return code;
}

bool TextBox::UserPressKey(int code) {
    code = UserFilterKey(code);
    if (code == 0) return false;
    std::string next = text_;
    if (code == keys::Backspace) {
        RemoveLastCodePoint(next);
    } else if (IsCharacter(code)) {
        utf::AppendUtf8(next, static_cast<char32_t>(code));
    }
    SetText(std::move(next));
    return true;
}

bool TextBox::UserPaste(std::string_view utf8) {
    if (!AcceptsInput()) return false;
    int code = keys::Paste;
    KeyPress.Raise(code);
    if (code == 0) return false;
    SetText(text_ + std::string(utf8));
    return true;
}

void TextBox::UserType(std::string_view utf8) {
    const std::u16string units = utf::ToUtf16(utf8);
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        UserPressKey(cp == U'\n' ? keys::Enter : static_cast<int>(cp));
    }
}

}  // namespace kv::ui
