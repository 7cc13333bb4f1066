#pragma once
// Finds the ODBC drivers the tests run against. When the driver manager does
// not know one whose library is installed, all of them are registered in a
// private ODBCSYSINI folder for this test program only, never system-wide.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "adapters/odbc/odbc_database.hpp"

namespace kv::testing {

struct TestDriver {
    std::string name;     // as registered, e.g. "SQLite3"
    std::string library;  // file name of the driver library
};

inline const std::vector<TestDriver>& TestDrivers() {
    static const std::vector<TestDriver> drivers = {
        {"SQLite3", "libsqlite3odbc.so"}, {"PostgreSQL Unicode", "psqlodbcw.so"}, {"FreeTDS", "libtdsodbc.so"}};
    return drivers;
}

inline std::string FindDriverLibrary(const std::string& library) {
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc", "/usr/lib/odbc",
                            "/usr/lib64", "/usr/local/lib"}) {
        const auto path = std::filesystem::path(dir) / library;
        if (std::filesystem::exists(path)) return path.string();
    }
    return {};
}

// Empty when the driver can be used; otherwise why not.
inline std::string DriverMissingReason(const std::string& name) {
    static const bool prepared = [] {
        const auto installed = odbc::InstalledDrivers();
        bool needPrivate = false;
        for (const auto& d : TestDrivers())
            if (std::find(installed.begin(), installed.end(), d.name) == installed.end() &&
                !FindDriverLibrary(d.library).empty())
                needPrivate = true;
        if (!needPrivate) return true;
        static const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("kv-odbcinst-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::ofstream ini(dir / "odbcinst.ini");
        for (const auto& d : TestDrivers())
            if (const auto lib = FindDriverLibrary(d.library); !lib.empty())
                ini << "[" << d.name << "]\nDriver=" << lib << "\n\n";
        ini.close();
        ::setenv("ODBCSYSINI", dir.c_str(), 1);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        });
        return true;
    }();
    (void)prepared;
    const auto installed = odbc::InstalledDrivers();
    if (std::find(installed.begin(), installed.end(), name) != installed.end()) return {};
    return "the ODBC driver '" + name + "' is not installed";
}

}  // namespace kv::testing
