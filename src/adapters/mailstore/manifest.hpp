#pragma once
// The store's own bookkeeping, kept as "manifest.txt" in the store directory:
// the account, the folder kinds, the entry id of every item file, and the
// toolbars that are not temporary. Lines of tab-separated fields; tabs, line
// breaks and backslashes inside a field are escaped.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kv::mailstore {

struct FolderKind {
    std::string name;                // the folder's directory name
    std::string messageClass;        // "IPM.Note" for a mail folder
    std::int32_t defaultNumber = 0;  // GetDefaultFolder number, 0 = none
};

struct KeptButton {
    std::string caption, tag, tooltip, onAction, parameter;
    std::int32_t faceId = 0, style = 0;
    bool beginGroup = false, visible = true;
};

struct KeptBar {
    std::string windowKind;  // "explorer" or "inspector"
    std::string name;
    bool visible = true;
    std::int32_t position = 1;
    std::vector<KeptButton> buttons;
};

struct Manifest {
    std::string accountName, accountAddress;
    std::uint64_t nextId = 1;
    std::vector<FolderKind> folders;
    // Entry id -> path relative to the store, as read; an open store keeps
    // them with its items instead, so that they are held once.
    std::map<std::string, std::string> items;
    std::vector<KeptBar> bars;

    // Hands the entry id and path of each item, in the order of the ids, to
    // the function it is given.
    using ItemEntries =
        std::function<void(const std::function<void(const std::string& entryId, const std::string& path)>&)>;

    // Throws kv::Error when the file is there but not a manifest.
    static Manifest Load(const std::filesystem::path& file);
    // Written beside under a name of its own and renamed over, so a crash
    // never leaves half a manifest. The items are those entries hands on.
    void Save(const std::filesystem::path& file, const ItemEntries& entries) const;
    // Adds the entry of one item (new or moved) and the next id to the end
    // of file in one write, so a store of any size pays the same for it; Load
    // takes an item's last entry. A line a crash cut short, with no line end,
    // is left out when read. False when the write failed or was cut short:
    // a Save must then replace the file.
    bool AppendItem(const std::filesystem::path& file, const std::string& entryId, const std::string& path) const;
    // Removes the files a killed Save left beside file. Only while the store
    // is locked: then no Save is under way.
    static void RemoveLeftovers(const std::filesystem::path& file);
};

}  // namespace kv::mailstore
