#include "adapters/sqlite/demo_database.hpp"

#include <filesystem>

#include "adapters/sqlite/schema_sql.hpp"
#include "adapters/sqlite/sqlite_database.hpp"
#include "support/error.hpp"

namespace kv::sqlite {

using demo::InsertDemoResource;
using demo::SeedSmallDemo;
using demo::SeedSystemVariables;
namespace fs = std::filesystem;

namespace {

void Run(db::Connection& cn, const std::string& sql, const db::Params& params) { cn.Execute(sql, params)->Close(); }

// Generated in SQL: row by row through the port this takes seconds.
void SeedLarge(db::Connection& cn, const fs::path& root, DemoDatabase& info) {
    constexpr std::int32_t kResourceCount = 50000;
    constexpr std::int32_t kJobCount = 20000;
    constexpr std::int32_t kCustomers = 10000;  // ids 1001 .. 11000, 2 jobs each
    InsertDemoResource(cn, root, demo::UserRessId, "Mette Sørensen", 2);
    const std::string resourceRoot = (root / "Ressourcer").string() + static_cast<char>(fs::path::preferred_separator);
    const std::string jobRoot = (root / "Jobs").string() + static_cast<char>(fs::path::preferred_separator);
    const std::string numbers = "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < ?1) ";
    const db::Params counts = {kResourceCount - 1, kCustomers, resourceRoot};
    // Customers first (type 3), then types 2..8 in turn; every 50th inactive,
    // every 97th without a folder.
    Run(cn,
        numbers +
            "INSERT INTO Ress (RessID, RessNavn, RessTypeID, RessAktiv, mFldID, RessFld) "
            "SELECT 1001 + i, CASE WHEN i < ?2 THEN 'Kunde nr. ' ELSE 'Ressource nr. ' END || (1001 + i), "
            "CASE WHEN i < ?2 THEN 3 ELSE 2 + i % 7 END, CASE WHEN i % 50 = 0 THEN 0 ELSE 1 END, "
            "CASE WHEN i % 97 = 0 THEN NULL ELSE 1001 + i END, CASE WHEN i % 97 = 0 THEN NULL ELSE CAST(1001 + i AS "
            "TEXT) END "
            "FROM n",
        counts);
    Run(cn,
        "INSERT INTO ResFldPath (RessID, ResFld, ResFldUNX) SELECT RessID, ?1 || RessID, ?1 || RessID "
        "FROM Ress WHERE RessID > 1000 AND mFldID IS NOT NULL",
        {resourceRoot});
    Run(cn,
        "INSERT INTO RessKunde (KundeRessID, KundeNr) SELECT RessID, 'K' || RessID FROM Ress WHERE RessTypeID = 3 AND "
        "RessID > 1000",
        {});
    Run(cn,
        "INSERT INTO RessProjekter (ProjektID, RessID, ProjektNavn) SELECT RessID, RessID, 'Projekt ' || RessID "
        "FROM Ress WHERE RessTypeID = 3 AND RessID > 1000",
        {});
    Run(cn,
        "INSERT INTO ResAccess (ResId, CustId, AccessLevel, Display) SELECT ?1, RessID, "
        "CASE WHEN (RessID - 1001) % 10 = 0 THEN 2 ELSE 1 END, 1 FROM Ress WHERE RessTypeID = 3 AND RessID > 1000",
        {demo::UserRessId});
    Run(cn,
        numbers +
            "INSERT INTO Job (JobID, ProjektID, JobNavn, JobStatusID, JobFolderArkiveret) "
            "SELECT 100000 + i, 1001 + i % ?2, 'Job ' || (100000 + i) || ' Søndergade', 1 + i % 6, "
            "CASE WHEN 1 + i % 6 >= 4 THEN 1 ELSE 0 END FROM n",
        {kJobCount, kCustomers});
    Run(cn, "INSERT INTO JobFldPath (JobID, FldPri, FldPriUnc) SELECT JobID, ?1 || JobID, ?1 || JobID FROM Job",
        {jobRoot});
    info.resources = cn.Execute("SELECT COUNT(*) AS n FROM Ress")->Field("n").AsInt();
    info.jobs = cn.Execute("SELECT COUNT(*) AS n FROM Job")->Field("n").AsInt();
}

}  // namespace

const std::string& KorvaneSchemaSqlite() {
    static const std::string schema = generated::kSchemaSqlite;
    return schema;
}

DemoDatabase CreateDemoDatabase(const std::string& path, DemoSize size, const std::string& documentRoot) {
    std::error_code ec;
    if (path.empty()) throw Error(errnum::InvalidArgument, "CreateDemoDatabase", "No database file is named");
    if (fs::exists(path, ec))
        throw Error(errnum::InvalidArgument, "CreateDemoDatabase", "The file exists already: " + path);
    if (documentRoot.empty()) throw Error(errnum::InvalidArgument, "CreateDemoDatabase", "No document folder is named");
    const fs::path root = fs::absolute(documentRoot);

    DemoDatabase info;
    try {
        auto cn = CreateDatabase(path);
        ExecuteScript(*cn, KorvaneSchemaSqlite());
        ExecuteScript(*cn, "BEGIN");
        if (size == DemoSize::Small) {
            info = SeedSmallDemo(*cn, root);
        } else {
            SeedSystemVariables(*cn, info);
            SeedLarge(*cn, root, info);
        }
        ExecuteScript(*cn, "COMMIT");
        // A commit through the write-ahead log is durable after one sync, a
        // rollback journal's after four; the database stays as consistent.
        // The mode stays with the file, for every program that opens it.
        ExecuteScript(*cn, "PRAGMA journal_mode = WAL");
    } catch (...) {
        // A half-built database is worse than none.
        fs::remove(path, ec);
        throw;
    }
    return info;
}

}  // namespace kv::sqlite
