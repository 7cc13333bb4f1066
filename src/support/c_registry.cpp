#include "support/c_registry.hpp"

#include "support/error.hpp"
#include "support/registry_text.hpp"

namespace kv {
namespace {

using Key = RegistryStore::Key;

// A "%" with another "%" at least two positions later: the text names an
// environment variable and is stored as RegExpandSz.
bool HasExpandReference(const std::string& text) {
    std::size_t first = text.find('%');
    return first != std::string::npos && text.find('%', first + 2) != std::string::npos;
}

// A RegDword of any size other than four reads as its first four bytes,
// missing ones as 0.
std::uint32_t DwordFrom(const Bytes& data, bool bigEndian) {
    std::uint8_t b[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i) b[i] = data[i];
    if (bigEndian) return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
    return (std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[1]} << 8) | b[0];
}

Bytes DwordBytes(std::int32_t value) {
    auto u = static_cast<std::uint32_t>(value);
    return Bytes{static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u >> 16),
                 static_cast<std::uint8_t>(u >> 24)};
}

std::string Unquoted(std::string path) {
    const char* blanks = " \t";
    std::size_t first = path.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    path = path.substr(first, path.find_last_not_of(blanks) - first + 1);
    if (!path.empty() && path.front() == '"') path.erase(0, 1);
    if (!path.empty() && path.back() == '"') path.pop_back();
    return path;
}

}  // namespace

void cRegistry::Raise(std::int32_t number, std::string description) const {
    throw Error(number, ErrorSource, std::move(description));
}

bool cRegistry::KeyExists() const {
    Key key;
    return store_.OpenKey(Root(), sectionKey_, regaccess::QueryValue, key) == regstatus::Success;
}

bool cRegistry::CreateKey() {
    Key key;
    if (store_.CreateKey(Root(), sectionKey_, regaccess::Write, key) != regstatus::Success)
        Raise(ErrRegistry, "Failed to create registry Key: '" + sectionKey_);
    return true;
}

bool cRegistry::DeleteKey() {
    if (store_.DeleteKey(Root(), sectionKey_) != regstatus::Success)
        Raise(ErrRegistry,
              "Failed to delete registry Key: '" + std::to_string(classKey_) + "',Section: '" + sectionKey_);
    return true;
}

bool cRegistry::DeleteValue() {
    Key key;
    if (store_.OpenKey(Root(), sectionKey_, regaccess::Write, key) != regstatus::Success)
        Raise(ErrRegistry, "Failed to open key '" + std::to_string(classKey_) + "',Section: '" + sectionKey_ +
                               "' for delete access");
    if (store_.DeleteValue(key, valueKey_) != regstatus::Success)
        Raise(ErrRegistry, "Failed to delete registry Key: '" + std::to_string(classKey_) + "',Section: '" +
                               sectionKey_ + "',Key: '" + valueKey_);
    return true;
}

kv::Value cRegistry::GetValue() {
    Key key;
    if (store_.OpenKey(Root(), sectionKey_, regaccess::QueryValue, key) != regstatus::Success) return default_;
    RegType type = regtype::None;
    Bytes data;
    if (store_.QueryValue(key, valueKey_, &type, &data) != regstatus::Success) return default_;
    valueType_ = static_cast<std::int32_t>(type);
    switch (type) {
    case regtype::Sz:
    case regtype::MultiSz: return reg::FromRegSz(data);
    case regtype::ExpandSz: return store_.ExpandEnvironment(reg::FromRegSz(data));
    case regtype::Dword: return static_cast<std::int32_t>(DwordFrom(data, false));
    case regtype::DwordBigEndian: return static_cast<std::int32_t>(DwordFrom(data, true));
    default: return data;
    }
}

void cRegistry::SetValue(const kv::Value& value) {
    auto failure = [&] {
        return "Failed to set registry value Key: '" + std::to_string(classKey_) + "',Section: '" + sectionKey_ +
               "',Key: '" + valueKey_ + "' to value: '" + value.ToText() + "'";
    };
    Key key;
    if (store_.CreateKey(Root(), sectionKey_, regaccess::Write, key) != regstatus::Success)
        Raise(ErrRegistry, failure());

    RegType type = regtype::None;
    Bytes data;
    switch (valueType_) {
    case RegSz:
    case RegExpandSz: {
        std::string text = value.ToText();
        type = HasExpandReference(text) ? regtype::ExpandSz : regtype::Sz;
        data = reg::ToRegSz(text);
        break;
    }
    case RegBinary:
        if (!value.IsBytes()) throw Error(ErrRegistry, "", "");
        type = regtype::Binary;
        data = value.AsBytes();
        break;
    case RegDword:
    case RegDwordBigEndian:
        if (!value.IsInt()) return;
        type = regtype::Dword;
        data = DwordBytes(value.AsInt());
        break;
    default: return;
    }
    if (store_.SetValue(key, valueKey_, type, data) != regstatus::Success) Raise(ErrValueWriteRefused, failure());
}

// Collects names by index until the store says there are no more (or fails).
template <class Next>
std::vector<std::string> cRegistry::Enumerate(RegAccess access, Next next) const {
    std::vector<std::string> names;
    Key key;
    if (store_.OpenKey(Root(), sectionKey_, access, key) == regstatus::Success) {
        std::string name;
        for (std::uint32_t index = 0; next(key, index, name) == regstatus::Success; ++index) names.push_back(name);
    }
    return names;
}

bool cRegistry::EnumerateValues(std::vector<std::string>& sKeyNames, std::int32_t& iKeyCount) {
    sKeyNames = Enumerate(regaccess::QueryValue, [this](const Key& key, std::uint32_t index, std::string& name) {
        return store_.EnumValue(key, index, name);
    });
    iKeyCount = static_cast<std::int32_t>(sKeyNames.size());
    return true;
}

bool cRegistry::EnumerateSections(std::vector<std::string>& sSect, std::int32_t& iSectCount) {
    sSect = Enumerate(regaccess::EnumerateSubKeys, [this](const Key& key, std::uint32_t index, std::string& name) {
        RegStatus status = store_.EnumKey(key, index, name);
        name = name.substr(0, name.find('\0'));
        return status;
    });
    iSectCount = static_cast<std::int32_t>(sSect.size());
    return true;
}

void cRegistry::SetClassText(const std::string& path, const std::string& text) {
    cRegistry writer(store_);
    writer.SetValueType(RegSz);
    writer.SetClassKey(HkeyClassesRoot);
    writer.SetSectionKey(path);
    writer.SetValue(text);
    writer.SetClassKey(HkeyLocalMachine);
    writer.SetSectionKey("SOFTWARE\\Classes\\" + path);
    writer.SetValue(text);
}

void cRegistry::CreateEXEAssociation(const std::string& sExePath, const std::string& sClassName,
                                     const std::string& sClassDescription, const std::string& sAssociation,
                                     const std::string& sOpenMenuText, bool bSupportPrint,
                                     const std::string& sPrintMenuText, bool bSupportNew,
                                     const std::string& sNewMenuText, bool bSupportInstall,
                                     const std::string& sInstallMenuText, std::int32_t lDefaultIconIndex) {
    if (sClassName.empty() || sAssociation.empty())
        Raise(errnum::InvalidArgument, "A file association needs a class name and an extension");
    const std::string exe = Unquoted(sExePath);
    auto verb = [&](const char* name, const std::string& menuText, const std::string& fallback, const char* flag) {
        const std::string shell = sClassName + "\\shell\\" + name;
        SetClassText(shell, menuText.empty() ? fallback : menuText);
        SetClassText(shell + "\\command", "\"" + exe + "\"" + flag + " \"%1\"");
    };
    SetClassText("." + sAssociation, sClassName);
    SetClassText(sClassName, sClassDescription);
    verb("open", sOpenMenuText, "&Open", "");
    if (bSupportPrint) verb("print", sPrintMenuText, "&Print", " /p");
    if (bSupportInstall) verb("add", sInstallMenuText, "&Install " + sClassDescription, " /a");
    if (bSupportNew) verb("new", sNewMenuText, "&New", " /n");
    SetClassText(sClassName + "\\DefaultIcon", exe + "," + std::to_string(lDefaultIconIndex));
}

void cRegistry::CreateAdditionalEXEAssociations(const std::string& sClassName, const std::vector<std::string>& vItems) {
    if (vItems.size() % 3 != 0)
        Raise(ErrInvalidAssociationItems,
              "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    cRegistry probe(store_);
    probe.SetClassKey(HkeyClassesRoot);
    probe.SetSectionKey(sClassName);
    if (sClassName.empty() || !probe.KeyExists())
        Raise(ErrClassNotDefined, "Error - attempt to create additional associations before class defined.");
    for (std::size_t i = 0; i < vItems.size(); i += 3) {
        const std::string shell = sClassName + "\\shell\\" + vItems[i];
        SetClassText(shell, vItems[i + 1]);
        SetClassText(shell + "\\command", vItems[i + 2]);
    }
}

}  // namespace kv
