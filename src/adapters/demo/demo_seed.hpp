#pragma once
// The small Korvane demo: a realistic Danish set of resources, customers,
// jobs and access rights, with a document folder per job and resource. It
// is written through the database port into a database that already holds
// the Korvane schema, so every adapter gets the same demo.
#include <cstdint>
#include <filesystem>
#include <string>

#include "ports/database.hpp"

namespace kv::demo {

// The demo user and a few well-known rows of the small demo, for tests.
inline constexpr std::int32_t UserRessId = 1;
inline constexpr std::int32_t OtherUserRessId = 2;          // other rights than the demo user's
inline constexpr std::int32_t CustomerWithJobs = 100;       // "Ålborg Tømrerfirma ApS"
inline constexpr std::int32_t CustomerApostrophe = 102;     // "O'Connor Consulting ApS"
inline constexpr std::int32_t CustomerWithoutAccess = 104;  // for the demo user: listed under <Alle>, no jobs shown
inline constexpr std::int32_t ActiveJob = 417;
inline constexpr std::int32_t ClosedJob = 421;
inline constexpr std::int32_t Supplier = 200;

struct DemoDatabase {
    std::int32_t userRessId = 0;     // the demo user (UserRessId)
    std::string jobFolderName;       // "DocHandlingJobFolderName"
    std::string jobFolderNameArkiv;  // "DocHandlingJobFolderNameArkiv"
    std::int32_t resources = 0;
    std::int32_t jobs = 0;
};

// The system variables every demo has; fills in the folder names.
void SeedSystemVariables(db::Connection& cn, DemoDatabase& info);

// One resource with its document folder path (under documentRoot) when it
// has one; customers (type 3) also get their customer number.
void InsertDemoResource(db::Connection& cn, const std::filesystem::path& documentRoot, std::int32_t id,
                        const std::string& name, std::int32_t type, bool active = true, bool hasFolder = true);

// The system variables and every row of the small demo; the job and
// resource folders are created under documentRoot (an absolute path), and
// the database stores them as this platform spells them.
DemoDatabase SeedSmallDemo(db::Connection& cn, const std::filesystem::path& documentRoot);

}  // namespace kv::demo
