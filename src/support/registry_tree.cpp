#include "support/registry_tree.hpp"

#include <algorithm>

#include "support/registry_text.hpp"
#include "support/utf.hpp"

namespace kv::reg {
namespace {

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

RegNode* RegNode::FindKey(std::string_view keyName) const {
    std::string folded = FoldName(keyName);
    for (const auto& key : keys)
        if (FoldName(key->name) == folded) return key.get();
    return nullptr;
}

RegNode* RegNode::AddKey(std::string_view keyName) {
    if (RegNode* existing = FindKey(keyName)) return existing;
    std::string folded = FoldName(keyName);
    auto at = std::find_if(keys.begin(), keys.end(), [&](const auto& key) { return FoldName(key->name) > folded; });
    auto node = std::make_unique<RegNode>();
    node->name = std::string(keyName);
    return keys.insert(at, std::move(node))->get();
}

bool RegNode::RemoveKey(std::string_view keyName) {
    std::string folded = FoldName(keyName);
    auto at = std::find_if(keys.begin(), keys.end(), [&](const auto& key) { return FoldName(key->name) == folded; });
    if (at == keys.end()) return false;
    keys.erase(at);
    return true;
}

RegValue* RegNode::FindValue(std::string_view valueName) {
    for (RegValue& value : values)
        if (SameName(value.name, valueName)) return &value;
    return nullptr;
}

void RegNode::SetValue(std::string_view valueName, RegType type, Bytes data) {
    if (RegValue* existing = FindValue(valueName)) {
        existing->type = type;
        existing->data = std::move(data);
        return;
    }
    values.push_back(RegValue{std::string(valueName), type, std::move(data)});
}

bool RegNode::RemoveValue(std::string_view valueName) {
    auto at =
        std::find_if(values.begin(), values.end(), [&](const RegValue& v) { return SameName(v.name, valueName); });
    if (at == values.end()) return false;
    values.erase(at);
    return true;
}

bool SplitKeyPath(std::string_view path, std::vector<std::string>& parts) {
    parts.clear();
    if (path.empty()) return true;
    if (path.back() == '\\') path.remove_suffix(1);
    std::size_t start = 0;
    while (true) {
        std::size_t end = path.find('\\', start);
        std::string_view part =
            path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty() || utf::Utf16Length(part) > kMaxKeyNameUnits || HasControlCharacter(part)) return false;
        parts.emplace_back(part);
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

bool IsValidValueName(std::string_view name) {
    return utf::Utf16Length(name) <= kMaxValueNameUnits && name.find('\0') == std::string_view::npos;
}

RegTree::RegTree() { Clear(); }

bool RegTree::IsKnownRoot(RegRoot root) { return RootName(root) != nullptr; }

const char* RegTree::RootName(RegRoot root) {
    switch (root) {
    case regroot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case regroot::CurrentUser: return "HKEY_CURRENT_USER";
    case regroot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    default: return nullptr;
    }
}

RegNode* RegTree::Root(RegRoot root) {
    auto at = roots_.find(root);
    return at == roots_.end() ? nullptr : &at->second;
}

const RegNode* RegTree::Root(RegRoot root) const {
    auto at = roots_.find(root);
    return at == roots_.end() ? nullptr : &at->second;
}

RegNode* RegTree::Find(RegRoot root, const std::vector<std::string>& parts) {
    RegNode* node = Root(root);
    for (const std::string& part : parts) {
        if (node == nullptr) return nullptr;
        node = node->FindKey(part);
    }
    return node;
}

RegNode* RegTree::Create(RegRoot root, const std::vector<std::string>& parts) {
    RegNode* node = Root(root);
    if (node == nullptr) return nullptr;
    for (const std::string& part : parts) node = node->AddKey(part);
    return node;
}

void RegTree::Clear() {
    roots_.clear();
    for (RegRoot root : {regroot::ClassesRoot, regroot::CurrentUser, regroot::LocalMachine})
        roots_[root].name = RootName(root);
}

RegStatus TreeRegistryStore::CheckPath(RegRoot root, std::string_view subKey, std::vector<std::string>& parts) {
    if (!RegTree::IsKnownRoot(root)) return regstatus::InvalidHandle;
    if (!SplitKeyPath(subKey, parts)) return regstatus::InvalidParameter;
    return regstatus::Success;
}

RegStatus TreeRegistryStore::NewHandle(RegRoot root, std::vector<std::string> parts, RegAccess access, Key& out) {
    HandleId id = nextHandle_++;
    handles_[id] = Handle{root, std::move(parts), access};
    out = Key(*this, id);
    return regstatus::Success;
}

void TreeRegistryStore::CloseKey(HandleId id) noexcept { handles_.erase(id); }

RegStatus TreeRegistryStore::CheckHandle(const Key& key, RegAccess needed) const {
    auto at = key.IsOpen() ? handles_.find(key.Id()) : handles_.end();
    if (at == handles_.end()) return regstatus::InvalidHandle;
    if ((at->second.access & needed) != needed) return regstatus::AccessDenied;
    return regstatus::Success;
}

RegStatus TreeRegistryStore::Resolve(RegTree& tree, const Key& key, RegAccess needed, RegNode*& node) const {
    RegStatus status = CheckHandle(key, needed);
    if (status != regstatus::Success) return status;
    const Handle& handle = handles_.at(key.Id());
    node = tree.Find(handle.root, handle.parts);
    return node == nullptr ? regstatus::KeyDeleted : regstatus::Success;
}

RegStatus TreeRegistryStore::OpenKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) {
    out.Close();
    std::vector<std::string> parts;
    if (RegStatus status = CheckPath(root, subKey, parts); status != regstatus::Success) return status;
    Refresh();
    if (tree_.Find(root, parts) == nullptr) return regstatus::FileNotFound;
    return NewHandle(root, std::move(parts), access, out);
}

RegStatus TreeRegistryStore::CreateKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) {
    out.Close();
    std::vector<std::string> parts;
    if (RegStatus status = CheckPath(root, subKey, parts); status != regstatus::Success) return status;
    Refresh();
    if (tree_.Find(root, parts) == nullptr) {
        // Only a missing key costs a write.
        RegStatus status = Apply([&](RegTree& tree) {
            tree.Create(root, parts);
            return regstatus::Success;
        });
        if (status != regstatus::Success) return status;
    }
    return NewHandle(root, std::move(parts), access, out);
}

RegStatus TreeRegistryStore::QueryValue(const Key& key, std::string_view name, RegType* type, Bytes* data) {
    Refresh();
    RegNode* node = nullptr;
    RegStatus status = Resolve(tree_, key, regaccess::QueryValue, node);
    if (status != regstatus::Success) return status;
    const RegValue* value = node->FindValue(name);
    if (value == nullptr) return regstatus::FileNotFound;
    if (type != nullptr) *type = value->type;
    if (data != nullptr) *data = value->data;
    return regstatus::Success;
}

RegStatus TreeRegistryStore::SetValue(const Key& key, std::string_view name, RegType type, const Bytes& data) {
    RegStatus status = CheckHandle(key, regaccess::SetValue);
    if (status != regstatus::Success) return status;
    if (!IsValidValueName(name)) return regstatus::InvalidParameter;
    return Apply([&](RegTree& tree) {
        RegNode* node = nullptr;
        RegStatus found = Resolve(tree, key, regaccess::SetValue, node);
        if (found == regstatus::Success) node->SetValue(name, type, data);
        return found;
    });
}

RegStatus TreeRegistryStore::DeleteValue(const Key& key, std::string_view name) {
    RegStatus status = CheckHandle(key, regaccess::SetValue);
    if (status != regstatus::Success) return status;
    return Apply([&](RegTree& tree) {
        RegNode* node = nullptr;
        RegStatus found = Resolve(tree, key, regaccess::SetValue, node);
        if (found != regstatus::Success) return found;
        return node->RemoveValue(name) ? regstatus::Success : regstatus::FileNotFound;
    });
}

RegStatus TreeRegistryStore::EnumValue(const Key& key, std::uint32_t index, std::string& name) {
    Refresh();
    RegNode* node = nullptr;
    RegStatus status = Resolve(tree_, key, regaccess::QueryValue, node);
    if (status != regstatus::Success) return status;
    if (index >= node->values.size()) return regstatus::NoMoreItems;
    name = node->values[index].name;
    return regstatus::Success;
}

RegStatus TreeRegistryStore::EnumKey(const Key& key, std::uint32_t index, std::string& name) {
    Refresh();
    RegNode* node = nullptr;
    RegStatus status = Resolve(tree_, key, regaccess::EnumerateSubKeys, node);
    if (status != regstatus::Success) return status;
    if (index >= node->keys.size()) return regstatus::NoMoreItems;
    name = node->keys[index]->name;
    return regstatus::Success;
}

RegStatus TreeRegistryStore::DeleteKey(RegRoot root, std::string_view subKey) {
    std::vector<std::string> parts;
    if (RegStatus status = CheckPath(root, subKey, parts); status != regstatus::Success) return status;
    if (parts.empty()) return regstatus::AccessDenied;  // a root cannot be deleted
    return Apply([&](RegTree& tree) {
        RegNode* node = tree.Find(root, parts);
        if (node == nullptr) return regstatus::FileNotFound;
        if (!node->keys.empty()) return regstatus::AccessDenied;
        std::vector<std::string> parentParts(parts.begin(), parts.end() - 1);
        tree.Find(root, parentParts)->RemoveKey(parts.back());
        return regstatus::Success;
    });
}

}  // namespace kv::reg
