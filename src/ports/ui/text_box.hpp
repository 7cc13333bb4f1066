#pragma once
// A single-line text box. Every key the user types goes through KeyPress
// first, as a character code the handler may replace; 0 swallows the key.
// What is left is then applied: by a platform view, its edit window applies
// it where the caret stands and reports the text back (UserFilterKey, then
// SetText); without a window (UserPressKey) a printable character is
// appended at the end, backspace (8) removes the last character, Enter (13)
// and other control codes change nothing.
#include <string>
#include <string_view>

#include "ports/ui/control.hpp"
#include "ports/ui/event.hpp"

namespace kv::ui {

namespace keys {
inline constexpr int Paste = 22;  // Ctrl+V
inline constexpr int Backspace = 8;
inline constexpr int Enter = 13;
inline constexpr int Escape = 27;
}  // namespace keys

class TextBox : public Control {
public:
    explicit TextBox(std::string name) : Control(ControlKind::TextBox, std::move(name)) {}

    const std::string& Text() const { return text_; }
    // Raises Change when the text differs.
    void SetText(std::string text);

    // The handler gets the key code by reference (a Unicode code point or a
    // control code) and may set it to 0 to discard the key.
    Event<int&> KeyPress;
    Event<> Change;
    Event<> LostFocus;

    // One key typed by the user; answers whether it reached the box (false
    // when swallowed or when the box takes no input).
    bool UserPressKey(int code);
    // A key typed into a view's edit window: raises KeyPress and answers the
    // code left to apply, 0 when swallowed or the box takes no input. The
    // view applies it and hands the resulting text to SetText.
    int UserFilterKey(int code);
    // Types every character of utf8 in turn; "\r" and "\n" are Enter.
    void UserType(std::string_view utf8);
    // Pastes text: KeyPress sees only the paste key (22); unless that is
    // swallowed, the whole text is appended as it is, unfiltered.
    bool UserPaste(std::string_view utf8);

private:
    std::string text_;
};

}  // namespace kv::ui
