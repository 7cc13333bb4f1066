#pragma once
// The add-in object: holds every host object the add-in keeps, follows the
// explorer and inspector events, owns the toolbars and receives the button
// clicks. Created by Connect at connection and ended at disconnection.
//
// Its routines are split by concern:
//   OutAddIn.cpp        creation, AttachToOutlook, DetachFromOutlook, end
//   command_bars.cpp    toolbars and buttons
//   host_events.cpp     NewInspector, BeforeFolderSwitch, the two Close events
//   button_actions.cpp  the three button Click handlers
#include <memory>
#include <string>

#include "addin/addin_context.hpp"
#include "ports/outlook.hpp"

namespace kv {

class OutAddIn {
public:
    // Sets up gLog beside the add-in's module file.
    explicit OutAddIn(AddinContext& ctx);
    // Empties gImportExplorer and gConnection (closing the database).
    ~OutAddIn();
    OutAddIn(const OutAddIn&) = delete;
    OutAddIn& operator=(const OutAddIn&) = delete;

    // Raises when the host has no active explorer: the connection fails.
    void AttachToOutlook(std::shared_ptr<outlook::Application> application, const std::string& progId);
    // Lets go of the host objects and their events; running it twice is harmless.
    void DetachFromOutlook() noexcept;

    // Toolbars (command_bars.cpp). Each step ignores its own failure.
    void CreateExplorerToolbar(const std::string& progId) noexcept;
    void CreateInspectorToolbar(const std::shared_ptr<outlook::Inspector>& inspector, bool notSent) noexcept;

    // Host events (host_events.cpp).
    void colInsp_NewInspector(const std::shared_ptr<outlook::Inspector>& inspector) noexcept;
    void objExpl_BeforeFolderSwitch(const std::shared_ptr<outlook::Folder>& newFolder, bool& cancel);
    void objExpl_Close();
    void objInsp_Close();

    // Button clicks (button_actions.cpp). None of them raises.
    void objCBButton_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl, bool& cancelDefault) noexcept;
    void objCBButtonMail_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl, bool& cancelDefault) noexcept;
    void objCBNewButtonMail_Click(const std::shared_ptr<outlook::CommandBarButton>& ctrl,
                                  bool& cancelDefault) noexcept;

    std::string strProgId;
    std::shared_ptr<outlook::Application> objOutlook;
    std::shared_ptr<outlook::NameSpace> objNS;
    std::shared_ptr<outlook::Explorers> colExpl;
    std::shared_ptr<outlook::Inspectors> colInsp;
    std::shared_ptr<outlook::Explorer> objExpl;
    std::shared_ptr<outlook::Inspector> objInsp;
    std::shared_ptr<outlook::CommandBar> objExplBar;
    std::shared_ptr<outlook::CommandBar> objSMailBar;
    std::shared_ptr<outlook::CommandBar> objNMailBar;
    std::shared_ptr<outlook::CommandBarButton> objCBButton;
    std::shared_ptr<outlook::CommandBarButton> objCBButtonMail;
    std::shared_ptr<outlook::CommandBarButton> objCBNewButtonMail;

private:
    // Keeps a button member and its Click event bound together.
    void BindButton(std::shared_ptr<outlook::CommandBarButton>& member, outlook::Subscription& token,
                    std::shared_ptr<outlook::CommandBarButton> button,
                    void (OutAddIn::*handler)(const std::shared_ptr<outlook::CommandBarButton>&, bool&) noexcept);
    void BindInspector(const std::shared_ptr<outlook::Inspector>& inspector);

    AddinContext& ctx_;
    // The event bindings of the members above; released with them.
    outlook::Subscription colInspNewInspector_;
    outlook::Subscription objExplBeforeFolderSwitch_;
    outlook::Subscription objExplClose_;
    outlook::Subscription objInspClose_;
    outlook::Subscription objCBButtonClick_;
    outlook::Subscription objCBButtonMailClick_;
    outlook::Subscription objCBNewButtonMailClick_;
};

}  // namespace kv
