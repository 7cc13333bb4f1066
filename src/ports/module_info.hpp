#pragma once
// Where the add-in's own module file lives and which version it carries:
// the log file is written beside it and the dialog caption shows the version.
#include <functional>
#include <string>

namespace kv {

struct ModuleInfo {
    std::string folder;    // UTF-8, without a trailing separator
    std::string fileName;  // e.g. "KVOutlookAddin.dll"
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned revision = 0;

    // Major.minor.revision, the form the user sees: "1.0.150".
    std::string VersionText() const {
        return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
    }
};

// Given to the core by the platform entry; throws kv::Error when the module
// cannot be read.
using ModuleInfoReader = std::function<ModuleInfo()>;

}  // namespace kv
