#pragma once
// The host application as the add-in sees it: application, "MAPI" namespace,
// folders, items, explorer and inspector windows, and their events.
// Objects are shared by reference; an operation that fails throws kv::Error.
#include <cstdint>
#include <memory>
#include <string>

#include "ports/native_window.hpp"
#include "ports/outlook/constants.hpp"
#include "ports/outlook/subscription.hpp"
#include "support/error.hpp"
#include "support/value.hpp"

namespace kv::outlook {

class Application;
class CommandBars;
class Folder;

class Folder {
public:
    virtual ~Folder() = default;
    virtual std::string Name() const = 0;
    // "IPM.Note" for a mail folder.
    virtual std::string DefaultMessageClass() const = 0;
};

// Any item of a folder. Properties a kind of item does not have (Sent of a
// contact, say) throw kv::Error hosterr::NotSupported, as reading them by name
// from the host does.
class Item {
public:
    // After a successful Send the host has taken the item away (to the
    // Outbox): every call on this object fails with hosterr::ObjectGone.
    virtual ~Item() = default;
    virtual std::int32_t Class() const = 0;
    virtual std::string EntryID() const = 0;
    virtual std::string Subject() const = 0;
    virtual bool Sent() const = 0;
    virtual DateTime ReceivedTime() const = 0;
    virtual std::int32_t Importance() const = 0;
    // The item keeps its EntryID and this object stays usable after the move.
    virtual void Move(Folder& destination) = 0;
    // closemode::Save / Discard / PromptForSave; closes the windows showing it.
    virtual void Close(std::int32_t mode) = 0;
    virtual std::shared_ptr<Application> GetApplication() const = 0;
};

// The item taken as a mail item: the item itself, or kv::Error (type
// mismatch) when it is something else.
inline std::shared_ptr<Item> AsMailItem(std::shared_ptr<Item> item) {
    if (!item || item->Class() != itemclass::Mail)
        throw Error(errnum::TypeMismatch, "Outlook", "Type mismatch: the item is not a mail");
    return item;
}

class NameSpace {
public:
    virtual ~NameSpace() = default;
    // defaultfolder::DeletedItems etc.; throws for a number the store lacks.
    virtual std::shared_ptr<Folder> GetDefaultFolder(std::int32_t folderType) = 0;
    // Throws when no item has that id.
    virtual std::shared_ptr<Item> GetItemFromID(const std::string& entryId) = 0;
};

// Items selected in an explorer, counted from 1.
class Selection {
public:
    virtual ~Selection() = default;
    virtual std::int32_t Count() const = 0;
    // Throws hosterr::InvalidIndex outside 1..Count().
    virtual std::shared_ptr<outlook::Item> Item(std::int32_t index) const = 0;
};

// What explorers and inspectors have in common: their command bars and the
// platform window they are shown in.
class Window {
public:
    virtual ~Window() = default;
    virtual std::shared_ptr<CommandBars> GetCommandBars() = 0;
    virtual std::shared_ptr<Application> GetApplication() const = 0;
    // The frame window the user sees, for the dialog and boxes of an import
    // started there to belong to; 0 when the window gives none.
    virtual NativeWindow Handle() const = 0;
};

class Explorer : public Window {
public:
    virtual std::shared_ptr<Folder> GetCurrentFolder() const = 0;
    virtual std::shared_ptr<outlook::Selection> GetSelection() const = 0;

    // The explorer is about to show newFolder; setting cancel keeps the old one.
    virtual Subscription OnBeforeFolderSwitch(
        std::function<void(std::shared_ptr<Folder> newFolder, bool& cancel)> handler) = 0;
    // Raised while the explorer is still counted in Explorers.
    virtual Subscription OnClose(std::function<void()> handler) = 0;
};

class Inspector : public Window {
public:
    virtual std::shared_ptr<outlook::Item> GetCurrentItem() const = 0;
    // Raised while the inspector is still counted in Inspectors.
    virtual Subscription OnClose(std::function<void()> handler) = 0;
};

// The window a command bar sits in, taken as an inspector; kv::Error (type
// mismatch) for an explorer's bar.
inline std::shared_ptr<Inspector> AsInspector(const std::shared_ptr<Window>& window) {
    auto inspector = std::dynamic_pointer_cast<Inspector>(window);
    if (!inspector) throw Error(errnum::TypeMismatch, "Outlook", "Type mismatch: the window is not an inspector");
    return inspector;
}

// The window taken as an explorer; kv::Error (type mismatch) for an inspector.
inline std::shared_ptr<Explorer> AsExplorer(const std::shared_ptr<Window>& window) {
    auto explorer = std::dynamic_pointer_cast<Explorer>(window);
    if (!explorer) throw Error(errnum::TypeMismatch, "Outlook", "Type mismatch: the window is not an explorer");
    return explorer;
}

class Explorers {
public:
    virtual ~Explorers() = default;
    virtual std::int32_t Count() const = 0;
    // Counted from 1; throws hosterr::InvalidIndex outside 1..Count().
    virtual std::shared_ptr<Explorer> Item(std::int32_t index) = 0;
    // Raised after the new explorer is counted, before it is shown; the host
    // may have had none until then (started for one mail window only).
    virtual Subscription OnNewExplorer(std::function<void(std::shared_ptr<Explorer>)> handler) = 0;
};

class Inspectors {
public:
    virtual ~Inspectors() = default;
    virtual std::int32_t Count() const = 0;
    // Raised after the new inspector is counted.
    virtual Subscription OnNewInspector(std::function<void(std::shared_ptr<Inspector>)> handler) = 0;
};

class Application {
public:
    virtual ~Application() = default;
    // Only "MAPI" is known; anything else throws.
    virtual std::shared_ptr<NameSpace> GetNamespace(const std::string& type) = 0;
    // The explorer the user works in (the one last activated, as a click in
    // it does); empty when no explorer is open.
    virtual std::shared_ptr<Explorer> ActiveExplorer() = 0;
    virtual std::shared_ptr<outlook::Explorers> GetExplorers() = 0;
    virtual std::shared_ptr<outlook::Inspectors> GetInspectors() = 0;
};

}  // namespace kv::outlook
