#pragma once
// Builds a Korvane demo database as an SQLite file: the schema, the stand-in
// of DocMailImportExec and seed data. Every test, benchmark and demo that
// needs a Korvane database builds one this way.
#include <string>

#include "adapters/demo/demo_seed.hpp"

namespace kv::sqlite {

enum class DemoSize {
    Small,  // a realistic Danish demo with document folders on disk
    Large,  // 50,000 resources and 20,000 jobs for benchmarks; no folders
};

// The demo's data and well-known rows are the same for every database.
namespace demo = kv::demo;
using demo::DemoDatabase;

// Creates the database file at path (which must not exist yet). document-
// Root is where the job and resource folders live; for the small demo the
// folders are created there, for the large one only their paths are stored.
DemoDatabase CreateDemoDatabase(const std::string& path, DemoSize size, const std::string& documentRoot);

// The SQLite schema script the demo database is built from.
const std::string& KorvaneSchemaSqlite();

}  // namespace kv::sqlite
