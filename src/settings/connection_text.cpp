#include "settings/connection_text.hpp"

#include <string_view>

#include "support/utf.hpp"

namespace kv {

std::string ConvertConnectionText(const std::string& text) {
    if (text.empty()) return {};
    std::string server, database, user, password, encrypt, trustCertificate;
    bool trusted = false;

    std::string_view rest = text;
    while (true) {
        std::size_t end = rest.find(';');
        std::string_view piece = rest.substr(0, end);
        std::size_t equals = piece.find('=');
        if (equals != std::string_view::npos) {
            // Keys are matched exactly as written but for case: no trimming.
            // The value is everything after the first "=", so a password
            // that holds "=" arrives whole.
            std::string key = utf::AsciiUpper(piece.substr(0, equals));
            std::string value(piece.substr(equals + 1));
            if (key == "DATABASE") database = value;
            else if (key == "TRUSTED_CONNECTION") trusted = trusted || utf::AsciiUpper(value) == "YES";
            else if (key == "SERVER") server = value;
            else if (key == "UID" || key == "USER ID") user = value;
            else if (key == "PWD" || key == "PASSWORD") password = value;
            else if (key == "ENCRYPT") encrypt = value;
            else if (key == "TRUSTSERVERCERTIFICATE") trustCertificate = value;
        }
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    std::string result = BuildConnectionString(server, database, trusted, user, password);
    // The encryption the stored text asks for travels on in the provider's
    // own words; without it the database adapter connects as the old
    // provider did (encrypted only when the server insists).
    if (!encrypt.empty()) result += ";Use Encryption for Data=" + encrypt;
    if (!trustCertificate.empty()) result += ";Trust Server Certificate=" + trustCertificate;
    return result;
}

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
