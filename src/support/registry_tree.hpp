#pragma once
// A registry held in memory: the three roots, their keys and values. Both the
// in-memory test store and the .reg file store keep their data in one; the
// file store only adds loading and saving around it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ports/registry_store.hpp"

namespace kv::reg {

struct RegValue {
    std::string name;
    RegType type = regtype::None;
    Bytes data;
};

struct RegNode {
    std::string name;
    std::vector<std::unique_ptr<RegNode>> keys;  // sorted by folded name, as Windows enumerates them
    std::vector<RegValue> values;                // in the order they were first set

    RegNode* FindKey(std::string_view keyName) const;
    // The existing sub-key of that name, or a new one in its sorted place.
    RegNode* AddKey(std::string_view keyName);
    bool RemoveKey(std::string_view keyName);
    RegValue* FindValue(std::string_view valueName);
    void SetValue(std::string_view valueName, RegType type, Bytes data);
    bool RemoveValue(std::string_view valueName);
};

// Splits "a\b\c" into its parts; false for an empty part, a part longer than
// Windows allows or one with a control character. One trailing "\" is
// tolerated, as RegOpenKeyEx does.
bool SplitKeyPath(std::string_view path, std::vector<std::string>& parts);
bool IsValidValueName(std::string_view name);

class RegTree {
public:
    RegTree();

    static bool IsKnownRoot(RegRoot root);
    static const char* RootName(RegRoot root);  // "HKEY_CURRENT_USER", ...; null when unknown

    RegNode* Root(RegRoot root);
    const RegNode* Root(RegRoot root) const;
    RegNode* Find(RegRoot root, const std::vector<std::string>& parts);
    RegNode* Create(RegRoot root, const std::vector<std::string>& parts);
    void Clear();

private:
    std::map<RegRoot, RegNode> roots_;
};

// RegistryStore over a RegTree. Derived stores hook in where the data must
// be refreshed before a read and where a change must be made durable.
class TreeRegistryStore : public RegistryStore {
public:
    RegStatus OpenKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) override;
    RegStatus CreateKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) override;
    RegStatus QueryValue(const Key& key, std::string_view name, RegType* type, Bytes* data) override;
    RegStatus SetValue(const Key& key, std::string_view name, RegType type, const Bytes& data) override;
    RegStatus DeleteValue(const Key& key, std::string_view name) override;
    RegStatus EnumValue(const Key& key, std::uint32_t index, std::string& name) override;
    RegStatus EnumKey(const Key& key, std::uint32_t index, std::string& name) override;
    RegStatus DeleteKey(RegRoot root, std::string_view subKey) override;

    // Number of keys opened and not yet closed.
    std::size_t OpenKeyCount() const { return handles_.size(); }

protected:
    using Change = std::function<RegStatus(RegTree&)>;

    // Brings tree() up to date before a read. Default: nothing to do.
    virtual void Refresh() {}
    // Applies a change; a store with backing storage re-reads it first and
    // saves when the change answers Success. Default: applies it in memory.
    virtual RegStatus Apply(const Change& change) { return change(tree_); }

    RegTree& tree() { return tree_; }
    void CloseKey(HandleId id) noexcept override;

private:
    struct Handle {
        RegRoot root = 0;
        std::vector<std::string> parts;
        RegAccess access = 0;
    };

    // The node an open key stands for; status 6 for a handle that is not
    // open here, 1018 when its key was deleted since, 5 without the access.
    RegStatus Resolve(RegTree& tree, const Key& key, RegAccess needed, RegNode*& node) const;
    RegStatus CheckHandle(const Key& key, RegAccess needed) const;
    static RegStatus CheckPath(RegRoot root, std::string_view subKey, std::vector<std::string>& parts);
    RegStatus NewHandle(RegRoot root, std::vector<std::string> parts, RegAccess access, Key& out);

    RegTree tree_;
    std::map<HandleId, Handle> handles_;
    HandleId nextHandle_ = 1;
};

}  // namespace kv::reg
