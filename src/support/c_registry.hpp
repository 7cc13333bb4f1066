#pragma once
// cRegistry: one registry value described by root, key path and value name,
// read and written through the Value property; plus key management,
// enumeration and file-type registration. Every call opens and closes its
// own key, so nothing stays open between calls.
#include <cstdint>
#include <string>
#include <vector>

#include "ports/registry_store.hpp"
#include "support/value.hpp"

namespace kv {

class cRegistry {
public:
    // Spelled apart from the <windows.h> macros of the same meaning, so this
    // header and that one can meet in one file.
    static constexpr std::int32_t HkeyClassesRoot = static_cast<std::int32_t>(0x80000000u);
    static constexpr std::int32_t HkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
    static constexpr std::int32_t HkeyLocalMachine = static_cast<std::int32_t>(0x80000002u);

    static constexpr std::int32_t RegNone = 0;
    static constexpr std::int32_t RegSz = 1;
    static constexpr std::int32_t RegExpandSz = 2;
    static constexpr std::int32_t RegBinary = 3;
    static constexpr std::int32_t RegDword = 4;
    static constexpr std::int32_t RegDwordBigEndian = 5;
    static constexpr std::int32_t RegLink = 6;
    static constexpr std::int32_t RegMultiSz = 7;

    // Error numbers raised besides 26001.
    static constexpr std::int32_t ErrValueWriteRefused = -2147194455;        // 0x800469A9
    static constexpr std::int32_t ErrInvalidAssociationItems = -2147194452;  // 0x800469AC
    static constexpr std::int32_t ErrClassNotDefined = -2147194451;          // 0x800469AD
    static constexpr std::int32_t ErrRegistry = 26001;
    static constexpr const char* ErrorSource = "KVOutlookAddin.cRegistry";

    explicit cRegistry(RegistryStore& store) : store_(store) {}

    std::int32_t ClassKey() const { return classKey_; }
    void SetClassKey(std::int32_t classKey) { classKey_ = classKey; }
    const std::string& SectionKey() const { return sectionKey_; }
    void SetSectionKey(std::string sectionKey) { sectionKey_ = std::move(sectionKey); }
    const std::string& ValueKey() const { return valueKey_; }
    void SetValueKey(std::string valueKey) { valueKey_ = std::move(valueKey); }
    std::int32_t ValueType() const { return valueType_; }
    void SetValueType(std::int32_t valueType) { valueType_ = valueType; }
    const kv::Value& Default() const { return default_; }
    void SetDefault(kv::Value value) { default_ = std::move(value); }

    // True when ClassKey\SectionKey can be opened for reading.
    bool KeyExists() const;
    bool CreateKey();
    bool DeleteKey();
    bool DeleteValue();

    // Reading gives Default when there is nothing to read; otherwise the
    // stored value, and ValueType becomes the stored type.
    kv::Value GetValue();
    void SetValue(const kv::Value& value);

    // Names in store order; the count repeats names.size(). Always true.
    bool EnumerateValues(std::vector<std::string>& sKeyNames, std::int32_t& iKeyCount);
    bool EnumerateSections(std::vector<std::string>& sSect, std::int32_t& iSectCount);

    void CreateEXEAssociation(const std::string& sExePath, const std::string& sClassName,
                              const std::string& sClassDescription, const std::string& sAssociation,
                              const std::string& sOpenMenuText = "&Open", bool bSupportPrint = false,
                              const std::string& sPrintMenuText = "&Print", bool bSupportNew = false,
                              const std::string& sNewMenuText = "&New", bool bSupportInstall = false,
                              const std::string& sInstallMenuText = "", std::int32_t lDefaultIconIndex = -1);
    // vItems holds name, menu text, command for each further verb.
    void CreateAdditionalEXEAssociations(const std::string& sClassName, const std::vector<std::string>& vItems);

private:
    RegRoot Root() const { return static_cast<RegRoot>(classKey_); }
    // The unnamed value of root\path set to a text, under HKEY_CLASSES_ROOT
    // and again under HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
    void SetClassText(const std::string& path, const std::string& text);
    template <class Next>
    std::vector<std::string> Enumerate(RegAccess access, Next next) const;
    [[noreturn]] void Raise(std::int32_t number, std::string description) const;

    RegistryStore& store_;
    std::int32_t classKey_ = 0;
    std::string sectionKey_;
    std::string valueKey_;
    std::int32_t valueType_ = 0;
    kv::Value default_;
};

}  // namespace kv
