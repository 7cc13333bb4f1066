#pragma once
// The add-in object: holds every host object the add-in keeps, follows the
// explorer and inspector events, owns the toolbars and receives the button
// clicks. Created by Connect at connection and ended at disconnection.
//
// Its routines are split by concern:
//   OutAddIn.cpp        creation, AttachToOutlook, DetachFromOutlook, end
//   command_bars.cpp    toolbars and buttons
//   host_events.cpp     NewInspector, BeforeFolderSwitch, the two Close events
//   button_actions.cpp  the three button Click handlers and their actions
//   ribbon_actions.cpp  the ribbon's callbacks, on the same actions
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "addin/ribbon.hpp"
#include "context/addin_context.hpp"
#include "ports/outlook.hpp"

namespace kv {

class OutAddIn {
public:
    // Sets up gLog beside the add-in's module file and reads whether the
    // toolbars are wanted.
    explicit OutAddIn(AddinContext& ctx);
    // Empties gImportExplorer and gConnection (closing the database).
    ~OutAddIn();
    OutAddIn(const OutAddIn&) = delete;
    OutAddIn& operator=(const OutAddIn&) = delete;

    // The host may have no explorer yet (started for one mail window): the
    // inspectors are followed at once, the explorer toolbar comes with the
    // first explorer. Raises only when the host's basic objects fail.
    void AttachToOutlook(std::shared_ptr<outlook::Application> application, const std::string& progId);
    // Lets go of every host object the add-in holds (toolbars and buttons
    // too) and of their events, so the host can end; running it twice is harmless.
    void DetachFromOutlook() noexcept;

    // Toolbars (command_bars.cpp). Each step ignores its own failure.
    // The "Korvane" toolbar and its button in explorer; returns them.
    void CreateExplorerToolbar(const std::shared_ptr<outlook::Explorer>& explorer,
                               std::shared_ptr<outlook::CommandBar>& bar,
                               std::shared_ptr<outlook::CommandBarButton>& button) noexcept;
    void CreateInspectorToolbar(const std::shared_ptr<outlook::Inspector>& inspector, bool notSent) noexcept;
    // Deletes the "Korvane" toolbar of every explorer followed (the user
    // unloads the add-in); false when no explorer is followed.
    bool RemoveExplorerToolbars() noexcept;

    // Host events (host_events.cpp). Every explorer window is followed on
    // its own: its toolbar shows in mail folders, its close may end the hold.
    struct ExplorerWindow;
    void colInsp_NewInspector(const std::shared_ptr<outlook::Inspector>& inspector) noexcept;
    void colExpl_NewExplorer(const std::shared_ptr<outlook::Explorer>& explorer) noexcept;
    void objExpl_BeforeFolderSwitch(ExplorerWindow& window, const std::shared_ptr<outlook::Folder>& newFolder,
                                    bool& cancel);
    void objExpl_Close(ExplorerWindow& window);
    struct InspectorWindow;
    void objInsp_Close(InspectorWindow& window);

    // Button clicks (button_actions.cpp). None of them raises.
    void objCBButton_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl, bool& cancelDefault) noexcept;
    void objCBButtonMail_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl, bool& cancelDefault) noexcept;
    void objCBNewButtonMail_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl, bool& cancelDefault) noexcept;

    // A ribbon button (ribbon_actions.cpp): its toolbar button's action on
    // the window the control was pressed in. Never raises.
    void Ribbon_OnAction(ribbon::Action action, const outlook::RibbonControl& control) noexcept;

    // False when the settings turn the toolbars off (the ribbon only).
    bool ToolbarsWanted() const noexcept { return toolbars_; }

    std::string strProgId;
    std::shared_ptr<outlook::Application> objOutlook;
    std::shared_ptr<outlook::NameSpace> objNS;
    std::shared_ptr<outlook::Explorers> colExpl;
    std::shared_ptr<outlook::Inspectors> colInsp;
    // The first explorer followed (the first of those open at start-up, or
    // the first to appear), and its toolbar; the next one followed when it
    // closes. objInsp: the inspector opened last, while it is open.
    std::shared_ptr<outlook::Explorer> objExpl;
    std::shared_ptr<outlook::Inspector> objInsp;
    std::shared_ptr<outlook::CommandBar> objExplBar;
    std::shared_ptr<outlook::CommandBar> objSMailBar;
    std::shared_ptr<outlook::CommandBar> objNMailBar;
    // The one explorer button whose Click is bound: the host raises Click
    // on every button with its tag, whichever explorer it is in.
    std::shared_ptr<outlook::CommandBarButton> objCBButton;
    std::shared_ptr<outlook::CommandBarButton> objCBButtonMail;
    std::shared_ptr<outlook::CommandBarButton> objCBNewButtonMail;

private:
    // The three buttons' actions (button_actions.cpp). Each names its window
    // through a function run inside its own trap, so a window that cannot
    // be told fails as any other step does; where names it in the log.
    using ExplorerOf = std::function<std::shared_ptr<outlook::Explorer>()>;
    using InspectorOf = std::function<std::shared_ptr<outlook::Inspector>()>;
    void ImportSelection(const ExplorerOf& window, const char* where) noexcept;
    void ImportInspectorMail(const InspectorOf& window, const char* where) noexcept;
    void ImportAndSend(const InspectorOf& window, const char* where) noexcept;
    // One import at a time, wherever the presses come from: true (the open
    // import's dialog brought to the front, one log line) while one is open.
    bool RefuseWhileImporting(const char* where) noexcept;
    // The dialog and every box of this import belong to window.
    void OwnBoxesBy(const outlook::Window& window) noexcept;

    // Keeps a button member and its Click event bound together.
    void BindButton(std::shared_ptr<outlook::CommandBarButton>& member, outlook::Subscription& token,
                    std::shared_ptr<outlook::CommandBarButton> button,
                    void (OutAddIn::*handler)(const std::shared_ptr<outlook::CommandBarButton>&, bool&) noexcept);
    void BindInspector(const std::shared_ptr<outlook::Inspector>& inspector);
    // Follows each explorer the host has open (its active one when it
    // cannot list them).
    void FollowOpenExplorers() noexcept;
    // Builds explorer's toolbar and follows its events (once per explorer).
    void FollowExplorer(const std::shared_ptr<outlook::Explorer>& explorer) noexcept;
    // objExpl, objExplBar and the bound button from the first followed window.
    void ChooseMainExplorer() noexcept;
    // Toolbars, buttons and their events; the host objects go with them.
    void ReleaseWindows() noexcept;

    AddinContext& ctx_;
    bool toolbars_ = true;
    bool importOpen_ = false;  // set while a button's action runs
    std::vector<std::unique_ptr<ExplorerWindow>> explorerWindows_;
    std::vector<std::unique_ptr<InspectorWindow>> inspectorWindows_;
    // The event bindings of the members above; released with them.
    outlook::Subscription colInspNewInspector_;
    outlook::Subscription colExplNewExplorer_;
    outlook::Subscription objCBButtonClick_;
    outlook::Subscription objCBButtonMailClick_;
    outlook::Subscription objCBNewButtonMailClick_;
};

// One explorer window the add-in follows.
struct OutAddIn::ExplorerWindow {
    std::shared_ptr<outlook::Explorer> explorer;
    std::shared_ptr<outlook::CommandBar> bar;
    std::shared_ptr<outlook::CommandBarButton> button;
    outlook::Subscription beforeFolderSwitch;
    outlook::Subscription close;
};

// One inspector window the add-in follows until it closes.
struct OutAddIn::InspectorWindow {
    std::shared_ptr<outlook::Inspector> inspector;
    outlook::Subscription close;
};

}  // namespace kv
