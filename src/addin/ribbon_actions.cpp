// The ribbon's buttons: each runs its toolbar button's action on the window
// the control was pressed in, not on the active one, so that every open
// window files its own selection or mail.
#include "addin/OutAddIn.hpp"
#include "support/dropped_error.hpp"

namespace kv {
namespace {

// The window the control was pressed in; an unset object's error when the
// host gave none.
const std::shared_ptr<outlook::Window>& ContextOf(const outlook::RibbonControl& control) {
    Need(control.context, "Context");
    return control.context;
}

}  // namespace

void OutAddIn::Ribbon_OnAction(ribbon::Action action, const outlook::RibbonControl& control) noexcept {
    switch (action) {
    case ribbon::Action::ImportSelection:
        ImportSelection([&] { return outlook::AsExplorer(ContextOf(control)); }, "Ribbon ImportSelection");
        break;
    case ribbon::Action::ImportMail:
        ImportInspectorMail([&] { return outlook::AsInspector(ContextOf(control)); }, "Ribbon ImportMail");
        break;
    case ribbon::Action::ImportAndSend:
        ImportAndSend([&] { return outlook::AsInspector(ContextOf(control)); }, "Ribbon ImportAndSend");
        break;
    }
}

}  // namespace kv
