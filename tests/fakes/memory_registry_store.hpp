#pragma once
// Registry store held in memory, with switches that make it refuse what a
// real registry refuses only in situations a test cannot easily set up.
#include <map>
#include <string>

#include "support/registry_tree.hpp"

namespace kv::fakes {

class MemoryRegistryStore : public reg::TreeRegistryStore {
public:
    struct Faults {
        bool refuseOpenKey = false;    // OpenKey answers 5
        bool refuseCreateKey = false;  // CreateKey answers 5
        bool refuseSetValue = false;   // SetValue answers 5
    };

    Faults& faults() { return faults_; }

    // The environment ExpandEnvironment sees; starts empty so tests
    // do not depend on the machine's.
    void SetEnvironment(const std::string& name, const std::string& value) { environment_[name] = value; }

    RegStatus OpenKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) override;
    RegStatus CreateKey(RegRoot root, std::string_view subKey, RegAccess access, Key& out) override;
    RegStatus SetValue(const Key& key, std::string_view name, RegType type, const Bytes& data) override;
    std::string ExpandEnvironment(std::string_view text) override;

private:
    Faults faults_;
    std::map<std::string, std::string> environment_;
};

}  // namespace kv::fakes
