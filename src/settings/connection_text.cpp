#include "settings/connection_text.hpp"

#include <string_view>

#include "support/utf.hpp"

namespace kv {

db::ProviderFields ParseConnectionText(const std::string& text) {
    db::ProviderFields f;
    if (text.empty()) return f;
    f.provider = "SQLOLEDB.1";
    std::string_view rest = text;
    while (true) {
        std::size_t end = rest.find(';');
        std::string_view piece = rest.substr(0, end);
        std::size_t equals = piece.find('=');
        if (equals != std::string_view::npos) {
            std::string key = utf::AsciiUpper(piece.substr(0, equals));
            std::string value(piece.substr(equals + 1));
            if (key == "DATABASE") f.catalog = value;
            else if (key == "TRUSTED_CONNECTION")
                f.integratedSecurity = f.integratedSecurity || utf::AsciiUpper(value) == "YES";
            else if (key == "SERVER") f.dataSource = value;
            else if (key == "UID" || key == "USER ID") f.user = value;
            else if (key == "PWD" || key == "PASSWORD") f.password = value;
            else if (key == "ENCRYPT") f.encrypt = value;
            else if (key == "TRUSTSERVERCERTIFICATE") f.trustServerCertificate = value;
        }
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    if (f.encrypt && f.encrypt->empty()) f.encrypt.reset();
    if (f.trustServerCertificate && f.trustServerCertificate->empty()) f.trustServerCertificate.reset();
    return f;
}

std::string ProviderString(const db::ProviderFields& connection) {
    if (connection.provider.empty()) return {};
    std::string result = BuildConnectionString(connection.dataSource, connection.catalog, connection.integratedSecurity,
                                               connection.user, connection.password);
    if (connection.encrypt) result += ";Use Encryption for Data=" + *connection.encrypt;
    if (connection.trustServerCertificate) result += ";Trust Server Certificate=" + *connection.trustServerCertificate;
    return result;
}

std::string ConvertConnectionText(const std::string& text) { return ProviderString(ParseConnectionText(text)); }

std::string BuildConnectionString(const std::string& server, const std::string& database, bool trusted,
                                  const std::string& user, const std::string& password) {
    std::string result = "Provider=SQLOLEDB.1";
    result += ";Initial Catalog=" + database;
    result += ";Data Source=" + server;
    if (trusted) {
        result += ";Integrated Security=SSPI;Persist Security Info=False";
        return result;
    }
    result += ";Persist Security Info=True";
    result += ";User ID=" + user;
    if (!password.empty()) result += ";Password=" + password;
    return result;
}

}  // namespace kv
