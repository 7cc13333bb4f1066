#include "catalog/customer_jobs.hpp"

namespace kv::catalog {

const char* StatusCondition(int listIndex) {
    switch (listIndex) {
    case 0: return " AND JobStatusID<4 ORDER BY Job.JobID ";
    case 1: return " AND JobStatusID>3 ORDER BY Job.JobID ";
    default: return " ORDER BY Job.JobID ";
    }
}

std::string CustomerJobsQuery(std::string_view select, std::string_view accessColumn, std::int32_t userRessId,
                              std::int32_t ressId) {
    std::string sql(select);
    sql += " FROM Job INNER JOIN RessProjekter ON Job.ProjektID = RessProjekter.ProjektID ";
    sql += " INNER JOIN RessKunde ON RessProjekter.RessID = RessKunde.KundeRessID ";
    sql += " INNER JOIN ResAccess ON RessKunde.KundeRessID = ResAccess.";
    sql += accessColumn;
    sql += " ";
    sql += " Where ResAccess.ResId = ";
    sql += std::to_string(userRessId);
    sql += " And ResAccess.AccessLevel = 1 ";
    sql += " AND RessProjekter.RessID= ";
    sql += std::to_string(ressId);
    return sql;
}

std::string JobListQuery(std::int32_t userRessId, std::int32_t ressId, int listIndex) {
    return CustomerJobsQuery(" SELECT Job.JobID, Job.JobNavn, Job.JobFolderArkiveret ", "CustID", userRessId, ressId) +
           StatusCondition(listIndex);
}

std::string JobCustomerQuery(std::int32_t userRessId, std::int32_t jobId) {
    std::string sql = " SELECT RessKunde.KundeRessID ";
    sql += " FROM Job ";
    sql += "      INNER JOIN RessProjekter ";
    sql += "          ON Job.ProjektID = RessProjekter.ProjektID ";
    sql += "      INNER JOIN RessKunde ";
    sql += "          ON RessProjekter.RessID = RessKunde.KundeRessID ";
    sql += "      INNER JOIN ResAccess ";
    sql += "          ON RessKunde.KundeRessID = ResAccess.CustId ";
    sql += " WHERE ResAccess.ResId = ";
    sql += std::to_string(userRessId);
    sql += " And ResAccess.AccessLevel = 1 ";
    sql += " AND ResAccess.Display = 1 ";
    sql += " AND job.jobid= ";
    sql += std::to_string(jobId);
    return sql;
}

std::optional<std::int32_t> FindJobByName(db::Connection& connection, std::int32_t userRessId, std::int32_t ressId,
                                          int listIndex, const std::string& text) {
    std::string sql = CustomerJobsQuery(" SELECT Job.JobID ", "CustId", userRessId, ressId);
    sql += " AND JobNavn like ? ";

    std::unique_ptr<db::RecordSet> rs = connection.Execute(sql + StatusCondition(listIndex), {Value(text + "%")});
    if (rs->EndOfFile()) {
        rs->Close();
        rs = connection.Execute(sql, {Value("%" + text + "%")});
        if (rs->EndOfFile()) {
            rs->Close();
            return std::nullopt;
        }
    }
    const std::int32_t jobId = rs->Field("jobid").ToInt();
    rs->Close();
    return jobId;
}

}  // namespace kv::catalog
