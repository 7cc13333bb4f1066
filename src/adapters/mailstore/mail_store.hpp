#pragma once
// The stand-in host over a mail store directory: one sub-directory per folder,
// one file per item (.eml mail, .ics appointment, .vcf contact) and
// "manifest.txt" (account, folder kinds, entry ids, kept toolbars).
//
// Besides the host port it offers a driver side, for tests and the command
// line front end: open and close windows, switch folders, select items and
// click buttons, each raising the events the host raises.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ports/outlook.hpp"

namespace kv::mailstore {

struct StoreState;

struct StoreOptions {
    // Time of a send, UTC; the system clock when empty. The store's times are
    // all UTC, so no clock change makes two times one.
    std::function<DateTime()> now;
};

class MailStore : public outlook::MailWrapperFactory {
public:
    // Opens the store in dir, creating the directory and the standard folders
    // (Inbox, Sent Items, Drafts, Deleted Items, Calendar, Contacts) when it
    // has no manifest yet. Files found without an entry id get one.
    static std::shared_ptr<MailStore> Open(const std::filesystem::path& dir, StoreOptions options = {});
    // As Open, and sets the account that sends from this store.
    static std::shared_ptr<MailStore> Create(const std::filesystem::path& dir, const std::string& accountName,
                                             const std::string& accountAddress, StoreOptions options = {});
    ~MailStore() override;

    std::shared_ptr<outlook::Application> GetApplication() const;
    std::unique_ptr<outlook::MailWrapper> CreateMailWrapper() override;
    const std::filesystem::path& Root() const;

    // Driver side. Folders are named by their directory name.
    std::shared_ptr<outlook::Folder> GetFolder(const std::string& name) const;
    // Creates the folder (and its directory) when missing.
    std::shared_ptr<outlook::Folder> AddFolder(const std::string& name, const std::string& messageClass);
    std::vector<std::shared_ptr<outlook::Item>> Items(const std::string& folderName) const;
    // Copies a file into the folder as a new item (its extension decides the kind).
    std::shared_ptr<outlook::Item> AddItemFile(const std::string& folderName, const std::filesystem::path& source);
    std::filesystem::path PathOf(const outlook::Item& item) const;

    std::shared_ptr<outlook::Explorer> OpenExplorer(const std::string& folderName);
    // Raises BeforeFolderSwitch; false when a handler cancelled.
    bool SwitchFolder(outlook::Explorer& explorer, const std::string& folderName);
    // Items of the explorer's current folder; anything else is refused.
    void Select(outlook::Explorer& explorer, const std::vector<std::shared_ptr<outlook::Item>>& items);
    void CloseExplorer(outlook::Explorer& explorer);
    // Raises NewInspector.
    std::shared_ptr<outlook::Inspector> OpenInspector(const std::shared_ptr<outlook::Item>& item);
    void CloseInspector(outlook::Inspector& inspector);
    // Raises Click on every button with the same tag (this one alone when its
    // tag is empty); returns the CancelDefault the handlers left.
    bool Click(outlook::CommandBarButton& button);

private:
    explicit MailStore(std::shared_ptr<StoreState> state);
    std::shared_ptr<StoreState> state_;
};

}  // namespace kv::mailstore
