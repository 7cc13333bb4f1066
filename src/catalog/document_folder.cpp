#include "catalog/document_folder.hpp"

#include "catalog/column_values.hpp"

namespace kv::catalog {

std::optional<std::string> JobFolderPath(db::Connection& connection, std::int32_t jobId) {
    std::string sql = "SELECT [JobID], [FldPri], [FldPriUnc], [FldSec], [FldSecUnc] ";
    sql += "From [JobFldPath] ";
    sql += "Where JobID = " + std::to_string(jobId);
    std::unique_ptr<db::RecordSet> rs = connection.Execute(sql);
    if (rs->EndOfFile()) {
        rs->Close();
        return std::nullopt;
    }
    std::string path = RequiredText(rs->Field("FldPri"), "GetDocumentFolder");
    rs->Close();
    return path;
}

std::string ResourceFolderPath(db::Connection& connection, std::int32_t ressId) {
    std::string sql = "SELECT [RessID], [ResFld], [ResFldUNX] ";
    sql += "From [ResFldPath] ";
    sql += "WHERE RessID = " + std::to_string(ressId);
    std::unique_ptr<db::RecordSet> rs = connection.Execute(sql);
    // No row fails here, like a null path: the caller tells why.
    std::string path = RequiredText(rs->Field("ResFld"), "GetDocumentFolder");
    rs->Close();
    return path;
}

}  // namespace kv::catalog
