// The exact statements the dialog sends while a user works through it:
// the resource list per type, the job list per status, both lookups and
// the document folders. A change to any SQL piece shows here.
#include "dialog_fixture.hpp"

namespace kv::dialogtest {
namespace {

using SqlTest = DialogTest;

// The pieces the statements are made of, as sent for the demo user (1).
const std::string kRessSelect = " SELECT RessID, RessNavn, RessTypeID FROM Ress  ";
const std::string kRessConditions =
    " WHERE NOT mFldID IS NULL  AND NOT RessFld IS NULL  AND RessFld <> ''  AND RessAktiv=1 ";
std::string RessWithAccess(int type) {
    return kRessSelect + "      INNER JOIN ResAccess           ON Ress.RessID = ResAccess.CustId " + kRessConditions +
           " AND RessTypeID = " + std::to_string(type) +
           " AND ResAccess.AccessLevel = 1  AND ResAccess.Display = 1  AND ResAccess.ResId = 1 ORDER BY RessTypeID, "
           "RessNavn ";
}
std::string CustomerJobs(const std::string& select, const std::string& accessColumn, int customer) {
    return select +
           " FROM Job INNER JOIN RessProjekter ON Job.ProjektID = RessProjekter.ProjektID "
           " INNER JOIN RessKunde ON RessProjekter.RessID = RessKunde.KundeRessID "
           " INNER JOIN ResAccess ON RessKunde.KundeRessID = ResAccess." +
           accessColumn + "  Where ResAccess.ResId = 1 And ResAccess.AccessLevel = 1  AND RessProjekter.RessID= " +
           std::to_string(customer);
}
std::string JobList(int customer, const std::string& status) {
    return CustomerJobs(" SELECT Job.JobID, Job.JobNavn, Job.JobFolderArkiveret ", "CustID", customer) + status;
}
std::string JobByName(int customer) {
    return CustomerJobs(" SELECT Job.JobID ", "CustId", customer) + " AND JobNavn like ? ";
}
std::string RessFolderQuery(int ress) {
    return "SELECT [RessID], [ResFld], [ResFldUNX] From [ResFldPath] WHERE RessID = " + std::to_string(ress);
}
std::string JobFolderQuery(int job) {
    return "SELECT [JobID], [FldPri], [FldPriUnc], [FldSec], [FldSecUnc] From [JobFldPath] Where JobID = " +
           std::to_string(job);
}
const std::string kActive = " AND JobStatusID<4 ORDER BY Job.JobID ",
                  kClosed = " AND JobStatusID>3 ORDER BY Job.JobID ", kAll = " ORDER BY Job.JobID ";

TEST_F(SqlTest, StatementsOfAWalkThroughTheDialog) {
    h.database.Clear();
    Open([&](frmKorvane& d) {
        user::SelectComboItem(d, "cboRessType", 1);
        user::SelectComboItem(d, "cboRessType", 3);
        user::ClickItem(d, "lstvRess", "R100");
        user::SelectComboItem(d, "cboActive", 1);
        user::SelectComboItem(d, "cboActive", 2);
        user::TypeText(d, "txtJobId", "430\r");
        user::ClickItem(d, "lstvRess", "R100");
        user::TypeText(d, "txtJobNavn", "Køk\r");
        d.Controls().txtJobNavn->SetText("");
        user::SelectComboItem(d, "cboActive", 0);
        user::TypeText(d, "txtJobNavn", "afsluttet\r");
        user::ClickItem(d, "lstvJobs", "J417");
    });
    const std::vector<std::string> expected = {
        // Opening: all resources, the first one's folder, the user's name.
        kRessSelect + kRessConditions + " AND RessTypeID > 1 AND RessTypeID < 6  ORDER BY RessTypeID, RessNavn ",
        RessFolderQuery(3), " SELECT RessNavn FROM Ress WHERE RessId = 1",
        // Companies, then customers (the first one chosen), then customer 100.
        RessWithAccess(1), RessFolderQuery(10), RessWithAccess(3), JobList(101, kActive), RessFolderQuery(101),
        JobList(100, kActive), RessFolderQuery(100),
        // Closed jobs, all jobs.
        JobList(100, kClosed), JobList(100, kAll),
        // Job 430 by number: its customer, whose jobs and folder then show.
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one statement over several lines
        " SELECT RessKunde.KundeRessID  FROM Job       INNER JOIN RessProjekter           ON Job.ProjektID = "
        "RessProjekter.ProjektID       INNER JOIN RessKunde           ON RessProjekter.RessID = RessKunde.KundeRessID  "
        "     INNER JOIN ResAccess           ON RessKunde.KundeRessID = ResAccess.CustId  WHERE ResAccess.ResId = 1 "
        "And "
        "ResAccess.AccessLevel = 1  AND ResAccess.Display = 1  AND job.jobid= 430",
        JobList(101, kAll), RessFolderQuery(101), JobFolderQuery(430), JobList(100, kAll), RessFolderQuery(100),
        // A name by its beginning, found under all jobs.
        JobByName(100) + kAll + " | 'Køk%'", JobFolderQuery(418),
        // Active jobs; a name by its beginning, then anywhere (without the status).
        JobList(100, kActive), JobByName(100) + kActive + " | 'afsluttet%'", JobByName(100) + " | '%afsluttet%'",
        JobFolderQuery(417)};
    EXPECT_EQ(h.database.Statements(), expected);
}

}  // namespace
}  // namespace kv::dialogtest
