#include "catalog/resource_list.hpp"

namespace kv::catalog {

namespace {

// Companies and customers are listed only where the user has access.
bool AccessFiltered(std::int32_t ressType) { return ressType == kCustomerType || ressType == 1; }

}  // namespace

std::string ResourceListQuery(std::int32_t ressType, std::int32_t userRessId) {
    std::string sql = " SELECT RessID, RessNavn, RessTypeID";
    sql += " FROM Ress  ";
    if (AccessFiltered(ressType)) {
        sql += "      INNER JOIN ResAccess ";
        sql += "          ON Ress.RessID = ResAccess.CustId ";
    }
    sql += " WHERE NOT mFldID IS NULL ";
    sql += " AND NOT RessFld IS NULL ";
    sql += " AND RessFld <> '' ";
    sql += " AND RessAktiv=1 ";
    if (ressType != 0) sql += " AND RessTypeID = " + std::to_string(ressType);
    else sql += " AND RessTypeID > 1 AND RessTypeID < 6 ";
    if (AccessFiltered(ressType)) {
        sql += " AND ResAccess.AccessLevel = 1 ";
        sql += " AND ResAccess.Display = 1 ";
        sql += " AND ResAccess.ResId = " + std::to_string(userRessId);
    }
    sql += " ORDER BY RessTypeID, RessNavn ";
    return sql;
}

}  // namespace kv::catalog
