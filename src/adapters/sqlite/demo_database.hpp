#pragma once
// Builds a Korvane demo database as an SQLite file: the schema, the stand-in
// of DocMailImportExec and seed data. Every test, benchmark and demo that
// needs a Korvane database builds one this way.
#include <cstdint>
#include <string>

namespace kv::sqlite {

enum class DemoSize {
    Small,  // a realistic Danish demo with document folders on disk
    Large,  // 50,000 resources and 20,000 jobs for benchmarks; no folders
};

struct DemoDatabase {
    std::int32_t userRessId = 0;         // the demo user (UserRessId)
    std::string jobFolderName;           // "DocHandlingJobFolderName"
    std::string jobFolderNameArkiv;      // "DocHandlingJobFolderNameArkiv"
    std::int32_t resources = 0;
    std::int32_t jobs = 0;
};

// The demo user and a few well-known rows of the small demo, for tests.
namespace demo {
inline constexpr std::int32_t UserRessId = 1;
inline constexpr std::int32_t CustomerWithJobs = 100;      // "Ålborg Tømrerfirma ApS"
inline constexpr std::int32_t CustomerApostrophe = 102;    // "O'Connor Consulting ApS"
inline constexpr std::int32_t CustomerWithoutAccess = 104;  // listed under <Alle>, no jobs shown
inline constexpr std::int32_t ActiveJob = 417;
inline constexpr std::int32_t ClosedJob = 421;
inline constexpr std::int32_t Supplier = 200;
}  // namespace demo

// Creates the database file at path (which must not exist yet). document-
// Root is where the job and resource folders live; for the small demo the
// folders are created there, for the large one only their paths are stored.
DemoDatabase CreateDemoDatabase(const std::string& path, DemoSize size, const std::string& documentRoot);

// The SQLite schema script the demo database is built from.
const std::string& KorvaneSchemaSqlite();

}  // namespace kv::sqlite
