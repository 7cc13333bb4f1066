#pragma once
// The add-in's toolbars and buttons in the host's windows: one toolbar in the
// start-up explorer, one in each mail inspector.
#include <cstdint>
#include <memory>
#include <string>

#include "context/addin_context.hpp"
#include "ports/outlook.hpp"

namespace kv {

// One row of the button table: what each of the three buttons looks like.
struct ToolbarButtonRow {
    const char* toolbar;
    const char* caption;
    const char* tag;
    const char* tooltip;
    std::int16_t faceId;
    std::int16_t style;
    bool beginGroup;
    const char* actionSuffix;
};

inline constexpr ToolbarButtonRow kExplorerButton{
    "Korvane", "Korvane", "CBButton", "Korvane Import", 578, outlook::buttonstyle::Icon, false, "Global"};
inline constexpr ToolbarButtonRow kReadMailButton{
    "KorvaneNMail", "Korvane", "CBButtonMail", "Korvane Import", 578, outlook::buttonstyle::Icon, false, "Normal"};
inline constexpr ToolbarButtonRow kNewMailButton{
    "KorvaneSMail", "Send", "CBNewButtonMail", "Korvane Import og send", 578, outlook::buttonstyle::IconAndCaption,
    false,          "Ny"};

// The button with this tag on the toolbar, or a new one set up from the
// arguments. Every step ignores its own failure (logged at level 1 in log),
// so the result may be empty or half set up.
std::shared_ptr<outlook::CommandBarButton> CreateToolbarButton(FileLog& log, const std::string& action,
                                                               const std::shared_ptr<outlook::CommandBar>& toolbar,
                                                               const std::string& caption, const std::string& tag,
                                                               const std::string& tooltip, std::int16_t faceId,
                                                               bool beginGroup, std::int16_t style) noexcept;

// The toolbar of that name in the window's bars: found, or added at the top
// (temporary or kept). An existing toolbar holding a control without a tag
// is emptied, so its button is built afresh. Steps ignore their failures.
std::shared_ptr<outlook::CommandBar> FindOrAddToolbar(FileLog& log, outlook::Window* window, const std::string& name,
                                                      bool temporary) noexcept;

// Deletes the toolbar of that name from the window's bars when it is there
// (kept by the host from an earlier run). Never raises.
void RemoveKeptToolbar(FileLog& log, outlook::Window* window, const std::string& name) noexcept;

// Deletes the explorer toolbar of gOutlookApp's active explorer; does nothing
// once the add-in has let go of the host. Never raises.
void RemoveExplorerToolbar(AddinContext& ctx) noexcept;

}  // namespace kv
