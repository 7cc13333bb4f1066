#include "addin/ribbon.hpp"

#include <iterator>

#include "addin/command_bars.hpp"

namespace kv::ribbon {
namespace {

// Text for an attribute value between double quotes.
std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

const char* CallbackName(Action action) {
    for (const Callback& c : kCallbacks)
        if (c.action == action) return c.name;
    return "";
}

// One built-in tab with the "Korvane" group holding the toolbar button of row.
std::string Markup(const char* tabIdMso, const char* buttonId, const ToolbarButtonRow& row, Action action) {
    std::string xml;
    xml += "<customUI xmlns=\"" + std::string(kCustomUiNamespace) + "\">";
    xml += "<ribbon><tabs><tab idMso=\"" + Escaped(tabIdMso) + "\">";
    xml += "<group id=\"KorvaneGroup\" label=\"Korvane\">";
    xml += "<button id=\"" + Escaped(buttonId) + "\" label=\"" + Escaped(row.caption) + "\" screentip=\"" +
           Escaped(row.tooltip) + "\" size=\"large\" imageMso=\"FileSaveAs\" onAction=\"" +
           Escaped(CallbackName(action)) + "\"/>";
    xml += "</group></tab></tabs></ribbon></customUI>";
    return xml;
}

}  // namespace

std::string CustomUI(std::string_view ribbonId) {
    if (ribbonId == kExplorerRibbon)
        return Markup("TabMail", "KorvaneImportSelection", kExplorerButton, Action::ImportSelection);
    if (ribbonId == kReadMailRibbon)
        return Markup("TabReadMessage", "KorvaneImportMail", kReadMailButton, Action::ImportMail);
    if (ribbonId == kComposeMailRibbon)
        return Markup("TabNewMailMessage", "KorvaneImportAndSend", kNewMailButton, Action::ImportAndSend);
    return {};
}

std::optional<Action> ActionAt(std::size_t position) noexcept {
    if (position >= std::size(kCallbacks)) return std::nullopt;
    return kCallbacks[position].action;
}

}  // namespace kv::ribbon
