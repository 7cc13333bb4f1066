#pragma once
// Paths between the host and Wine: Wine maps the host's root to drive Z:.
// Host libraries loaded under Wine (an ODBC driver through unixODBC) take
// host paths; the Windows code under test takes Windows paths.
#include <cstdlib>
#include <string>

namespace kv::testing {

// "/a/b" -> "Z:\a\b".
inline std::string WinePath(const std::string& hostPath) {
    std::string path = "Z:" + hostPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// "Z:\a\b" -> "/a/b"; any other path is taken as a host path already.
inline std::string HostPath(const std::string& winePath) {
    if (winePath.size() < 2 || (winePath[0] != 'Z' && winePath[0] != 'z') || winePath[1] != ':') return winePath;
    std::string path = winePath.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// The folder a ctest fixture made for this run, named by the environment
// variable; empty when the test was started otherwise.
inline std::string FixtureDir(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? value : "";
}

}  // namespace kv::testing
