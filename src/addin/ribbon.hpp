#pragma once
// The add-in's ribbon (Office 2010 and later): a "Korvane" group on the mail
// tab of the explorer, of a received or sent mail's window and of a mail being
// written, each with the button of that window's toolbar. The buttons call
// back by name; each name stands for one of the toolbar buttons' actions.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kv::ribbon {

// The host's ribbon ids the add-in adds to.
inline constexpr std::string_view kExplorerRibbon = "Microsoft.Outlook.Explorer";
inline constexpr std::string_view kReadMailRibbon = "Microsoft.Outlook.Mail.Read";
inline constexpr std::string_view kComposeMailRibbon = "Microsoft.Outlook.Mail.Compose";

inline constexpr std::string_view kCustomUiNamespace = "http://schemas.microsoft.com/office/2009/07/customui";

// What a ribbon button does: the action of one of the toolbar buttons.
enum class Action { ImportSelection, ImportMail, ImportAndSend };

struct Callback {
    const char* name;
    Action action;
};

// Every onAction callback the markup names. The order is fixed: the host's
// dispatch ids are positions in it.
inline constexpr Callback kCallbacks[] = {
    {"KorvaneImportSelection", Action::ImportSelection},
    {"KorvaneImportMail", Action::ImportMail},
    {"KorvaneImportAndSend", Action::ImportAndSend},
};

// The customUI markup for ribbonId; empty for every ribbon the add-in leaves alone.
std::string CustomUI(std::string_view ribbonId);

// The action of the callback at position in kCallbacks; nullopt outside it.
std::optional<Action> ActionAt(std::size_t position) noexcept;

}  // namespace kv::ribbon
