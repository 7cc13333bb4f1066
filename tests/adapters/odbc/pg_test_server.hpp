#pragma once
// The throwaway PostgreSQL server a ctest fixture starts (pg_cluster.sh),
// reached through psqlODBC, and a Korvane demo database on it: the schema
// of demo/schema.postgresql.sql and the rows of the small demo.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "adapters/demo/demo_seed.hpp"
#include "adapters/odbc/odbc_database.hpp"
#include "odbc_drivers.hpp"

namespace kv::testing {

inline constexpr const char* kPostgresDriver = "PostgreSQL Unicode";

struct PostgresServer {
    std::string skipReason;  // non-empty: no server to use here, and why
    int port = 0;

    // The driver's own defaults, as a service reaching the server has them.
    std::string ConnectionString(const std::string& database) const {
        return "Driver={" + std::string(kPostgresDriver) + "};Server=127.0.0.1;Port=" + std::to_string(port) +
               ";Database=" + database + ";UID=postgres";
    }
};

// The server of this test run, from the fixture's state folder KV_PG_STATE.
inline PostgresServer FindPostgresServer() {
    PostgresServer server;
    server.skipReason = DriverMissingReason(kPostgresDriver);
    if (!server.skipReason.empty()) return server;
    const char* state = std::getenv("KV_PG_STATE");
    if (!state) {
        server.skipReason = "no PostgreSQL server was started for this run (run the test through ctest)";
        return server;
    }
    std::ifstream skip(std::string(state) + "/skip");
    if (skip && std::getline(skip, server.skipReason)) return server;
    std::ifstream portFile(std::string(state) + "/port");
    if (!(portFile >> server.port))
        server.skipReason = "the PostgreSQL test server did not start (no port in " + std::string(state) + ")";
    return server;
}

// The Korvane schema (an earlier one dropped) and the small demo, its
// folders made under documentRoot.
inline void LoadKorvaneDemo(db::Connection& cn, const std::filesystem::path& documentRoot) {
    std::ifstream in(KV_PG_SCHEMA, std::ios::binary);
    std::ostringstream script;
    script << in.rdbuf();
    cn.Execute(script.str())->Close();
    cn.Execute("BEGIN")->Close();
    demo::SeedSmallDemo(cn, documentRoot);
    cn.Execute("COMMIT")->Close();
}

// A new database of that name, an earlier one of the name dropped.
inline void CreatePostgresDatabase(const PostgresServer& server, const std::string& name) {
    auto cn = odbc::OpenConnectionString(server.ConnectionString("postgres"));
    cn->Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)")->Close();
    cn->Execute("CREATE DATABASE " + name)->Close();
}

inline void DropPostgresDatabase(const PostgresServer& server, const std::string& name) {
    odbc::OpenConnectionString(server.ConnectionString("postgres"))
        ->Execute("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)")
        ->Close();
}

}  // namespace kv::testing
