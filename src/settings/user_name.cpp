#include "settings/user_name.hpp"

namespace kv::settings {

std::string UserName(db::Connection& connection, std::int32_t userRessId) {
    std::unique_ptr<db::RecordSet> rs =
        connection.Execute(" SELECT RessNavn FROM Ress WHERE RessId = " + std::to_string(userRessId));
    std::string name = rs->EndOfFile() ? std::string() : rs->Field("RessNavn").ToText();
    rs->Close();
    return name;
}

}  // namespace kv::settings
