#include "adapters/demo/demo_seed.hpp"

#include <vector>

#include "support/error.hpp"

namespace kv::demo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kJobFolderName = "Jobmappe";
constexpr const char* kJobFolderNameArkiv = "Arkiv";

struct Resource {
    std::int32_t id;
    const char* name;
    std::int32_t type;
    bool active = true;
    bool hasFolder = true;
};

struct JobRow {
    std::int32_t id;
    std::int32_t customer;
    const char* name;
    std::int32_t status;  // below 4 active, 4 and above closed
};

// Every resource type, names with æøå and an apostrophe, an inactive
// customer and customers whose folder is missing in each of the ways the
// resource list checks (all never listed).
const std::vector<Resource> kResources = {
    {1, "Mette Sørensen", 2},
    {2, "Jørgen Ølgaard", 2},
    {3, "Anne Ærø", 2},
    {10, "Korvane Demo A/S", 1},
    {11, "Korvane Byg A/S", 1},
    {12, "Korvane Service A/S", 1},
    {100, "Ålborg Tømrerfirma ApS", 3},
    {101, "Bøgh & Søn A/S", 3},
    {102, "O'Connor Consulting ApS", 3},
    {103, "Æblehaven Frugt I/S", 3},
    {104, "Nørrebro Bageri", 3},
    {105, "Gammel Kunde ApS", 3, false},
    {106, "Kunde uden mappe", 3, true, false},
    {107, "Kunde uden mappe-id", 3},
    {108, "Kunde med tom mappe", 3},
    {200, "Dansk Papir Leverandør A/S", 4},
    {201, "Kontorland ApS", 4},
    {300, "Lars Ødegård", 5},
    {301, "Birgitte Åkjær", 5},
    {400, "Zentra Emne ApS", 6},
    {500, "Serverrum", 7},
    {600, "Lokalavisen Østerbro", 8},
};

const std::vector<JobRow> kJobs = {
    {417, 100, "Tagrenovering Søndergade 12", 1},
    {418, 100, "Køkken til familien Østergaard", 2},
    {419, 100, "Tilbud på carport", 3},
    {420, 100, "Gulvafslibning 2023", 4},
    {421, 100, "Vinduesudskiftning (afsluttet)", 5},
    {430, 101, "Årsregnskab 2024", 1},
    {431, 101, "Revision af lønsystem", 4},
    {440, 102, "O'Connor's strategiworkshop", 1},
    {441, 102, "Rådgivning om ærøsk eksport", 2},
    {450, 103, "Æblemost etiketter", 1},
    {460, 104, "Bagerens hjemmeside", 1},
};

void Run(db::Connection& cn, const std::string& sql, const db::Params& params) { cn.Execute(sql, params)->Close(); }

fs::path ResourceFolder(const fs::path& root, std::int32_t id) { return root / "Ressourcer" / std::to_string(id); }
fs::path JobFolder(const fs::path& root, std::int32_t id) { return root / "Jobs" / std::to_string(id); }

void InsertJob(db::Connection& cn, const fs::path& root, std::int32_t id, std::int32_t project, const std::string& name,
               std::int32_t status) {
    Run(cn, "INSERT INTO Job (JobID, ProjektID, JobNavn, JobStatusID, JobFolderArkiveret) VALUES (?, ?, ?, ?, ?)",
        {id, project, name, status, std::int32_t{status >= 4 ? 1 : 0}});
    const std::string folder = JobFolder(root, id).string();
    Run(cn, "INSERT INTO JobFldPath (JobID, FldPri, FldPriUnc, FldSec, FldSecUnc) VALUES (?, ?, ?, ?, ?)",
        {id, folder, folder, Value::MakeNull(), Value::MakeNull()});
}

void GrantAccess(db::Connection& cn, std::int32_t user, std::int32_t customer, std::int32_t level,
                 std::int32_t display) {
    Run(cn, "INSERT INTO ResAccess (ResId, CustId, AccessLevel, Display) VALUES (?, ?, ?, ?)",
        {user, customer, level, display});
}

// A document folder with a few sub-folders, and the two folders the dialog
// hides (one spelled in other letter case, as users do).
void MakeDocumentFolder(const fs::path& folder) {
    fs::create_directories(folder / "Korrespondance" / "2024");
    fs::create_directories(folder / "Tilbud");
    fs::create_directories(folder / "Tegninger og billeder");
    fs::create_directories(folder / kJobFolderName / "Intern");
    fs::create_directories(folder / "ARKIV");
}

}  // namespace

void SeedSystemVariables(db::Connection& cn, DemoDatabase& info) {
    info.userRessId = UserRessId;
    info.jobFolderName = kJobFolderName;
    info.jobFolderNameArkiv = kJobFolderNameArkiv;
    Run(cn, "INSERT INTO SysVariabler (VariableNavn, Vaerdi) VALUES (?, ?)",
        {"DocHandlingJobFolderName", kJobFolderName});
    Run(cn, "INSERT INTO SysVariabler (VariableNavn, Vaerdi) VALUES (?, ?)",
        {"DocHandlingJobFolderNameArkiv", kJobFolderNameArkiv});
    Run(cn, "INSERT INTO SysVariabler (VariableNavn, Vaerdi) VALUES (?, ?)", {"DocHandlingNote", Value::MakeNull()});
}

void InsertDemoResource(db::Connection& cn, const fs::path& documentRoot, std::int32_t id, const std::string& name,
                        std::int32_t type, bool active, bool hasFolder) {
    const Value folderId = hasFolder ? Value(id) : Value::MakeNull();
    const Value folderName = hasFolder ? Value(std::to_string(id)) : Value::MakeNull();
    Run(cn, "INSERT INTO Ress (RessID, RessNavn, RessTypeID, RessAktiv, mFldID, RessFld) VALUES (?, ?, ?, ?, ?, ?)",
        {id, name, type, std::int32_t{active ? 1 : 0}, folderId, folderName});
    if (hasFolder) {
        const fs::path folder = ResourceFolder(documentRoot, id);
        Run(cn, "INSERT INTO ResFldPath (RessID, ResFld, ResFldUNX) VALUES (?, ?, ?)",
            {id, folder.string(), folder.generic_string()});
    }
    if (type == 3)
        Run(cn, "INSERT INTO RessKunde (KundeRessID, KundeNr) VALUES (?, ?)", {id, "K" + std::to_string(id)});
}

DemoDatabase SeedSmallDemo(db::Connection& cn, const fs::path& documentRoot) {
    if (!documentRoot.is_absolute())
        throw Error(errnum::InvalidArgument, "SeedSmallDemo",
                    "The document folder must be an absolute path: " + documentRoot.string());
    DemoDatabase info;
    SeedSystemVariables(cn, info);
    for (const auto& r : kResources) {
        InsertDemoResource(cn, documentRoot, r.id, r.name, r.type, r.active, r.hasFolder);
        if (r.hasFolder) MakeDocumentFolder(ResourceFolder(documentRoot, r.id));
        ++info.resources;
    }
    // One project per customer with jobs; customer 100 has two.
    Run(cn, "INSERT INTO RessProjekter (ProjektID, RessID, ProjektNavn) VALUES (?, ?, ?)", {1001, 100, "Byggeri"});
    Run(cn, "INSERT INTO RessProjekter (ProjektID, RessID, ProjektNavn) VALUES (?, ?, ?)", {1002, 100, "Service"});
    for (std::int32_t customer : {101, 102, 103, 104})
        Run(cn, "INSERT INTO RessProjekter (ProjektID, RessID, ProjektNavn) VALUES (?, ?, ?)",
            {1000 + customer, customer, "Rådgivning"});
    for (const auto& j : kJobs) {
        const std::int32_t project = j.customer == 100 ? (j.id % 2 == 0 ? 1002 : 1001) : 1000 + j.customer;
        InsertJob(cn, documentRoot, j.id, project, j.name, j.status);
        MakeDocumentFolder(JobFolder(documentRoot, j.id));
        ++info.jobs;
    }
    // A folder known by name but not by id, and an empty folder name.
    Run(cn, "UPDATE Ress SET mFldID = NULL WHERE RessID = ?", {std::int32_t{107}});
    Run(cn, "UPDATE Ress SET RessFld = '' WHERE RessID = ?", {std::int32_t{108}});
    Run(cn, "UPDATE Ress SET mFldID = RessID WHERE RessID = ?", {std::int32_t{106}});
    // Access rights, so that each condition on them decides some row:
    // the demo user sees customers 100-102 and company 10; 103 and company
    // 11 are not displayed; 105-108 only fail their own (active, folder)
    // checks. Jørgen (2) sees customers 101 and 104 and company 12; he is
    // below access level 1 for customer 100 and company 10. Nobody else
    // has access to 104 or 12.
    for (std::int32_t customer : {100, 101, 102, 105, 106, 107, 108, 10}) GrantAccess(cn, UserRessId, customer, 1, 1);
    GrantAccess(cn, UserRessId, 103, 1, 0);
    GrantAccess(cn, UserRessId, 11, 1, 0);
    for (std::int32_t customer : {101, 104, 12}) GrantAccess(cn, OtherUserRessId, customer, 1, 1);
    for (std::int32_t customer : {100, 10}) GrantAccess(cn, OtherUserRessId, customer, 2, 1);
    return info;
}

}  // namespace kv::demo
