#pragma once
// Registry store kept in a .reg file, for platforms without a registry.
// Every change re-reads the file under an advisory lock, applies itself and
// replaces the file atomically, so processes sharing the file lose nothing
// and a crash never leaves half a file behind.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "support/registry_tree.hpp"

namespace kv::regfile {

// Where the registry file lives: $KV_REGISTRY_FILE if set, otherwise
// $XDG_CONFIG_HOME/korvane/registry.reg, otherwise ~/.config/korvane/registry.reg.
std::filesystem::path DefaultRegistryFile();

class RegFileStore : public reg::TreeRegistryStore {
public:
    explicit RegFileStore(std::filesystem::path file);

    const std::filesystem::path& File() const { return file_; }

    // Uses the process environment.
    std::string ExpandEnvironment(std::string_view text) override;

protected:
    void Refresh() override;
    RegStatus Apply(const Change& change) override;

private:
    struct Signature {
        bool exists = false;
        std::uintmax_t device = 0, inode = 0, size = 0;
        std::int64_t modified = 0, changed = 0;
        bool operator==(const Signature&) const = default;
    };

    // Reads the file into the tree, unless force is false and it is unchanged
    // since the last read.
    void Load(bool force);
    void Save();
    Signature SignatureOf(int fd) const;

    std::filesystem::path file_;
    std::optional<Signature> loaded_;
};

}  // namespace kv::regfile
