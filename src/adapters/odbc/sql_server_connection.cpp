#include "adapters/odbc/sql_server_connection.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

#include "support/utf.hpp"

namespace kv::odbc {

namespace {

// Braces a value that would otherwise end or break its keyword=value pair.
std::string OdbcValue(const std::string& value) {
    if (value.find_first_of(";}") == std::string::npos && (value.empty() || value.front() != '{') &&
        value.find_first_of(" \t") != 0)
        return value;
    std::string quoted = "{";
    for (char c : value) {
        quoted += c;
        if (c == '}') quoted += '}';
    }
    return quoted + "}";
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

enum class Encryption { Off, On, Strict, Unknown };

Encryption ReadEncryption(const std::string& value) {
    const std::string v = utf::AsciiUpper(value);
    if (v == "NO" || v == "FALSE" || v == "OPTIONAL") return Encryption::Off;
    if (v == "YES" || v == "TRUE" || v == "MANDATORY") return Encryption::On;
    if (v == "STRICT") return Encryption::Strict;
    return Encryption::Unknown;
}

std::string YesNo(const std::string& value) {
    const std::string v = utf::AsciiUpper(value);
    if (v == "TRUE" || v == "YES") return "yes";
    if (v == "FALSE" || v == "NO") return "no";
    return value;
}

// Driver 17, Native Client and the Windows driver know only yes and no.
std::string EncryptKeywordOldDriver(const std::string& stored) {
    switch (ReadEncryption(stored)) {
    case Encryption::Off: return "no";
    case Encryption::On: return "yes";
    default: return stored;  // the driver says what it cannot do
    }
}

// Driver 18 and later encrypt and check the certificate unless told not to.
std::string MicrosoftEncryption(const std::optional<std::string>& encrypt, const std::optional<std::string>& trust,
                                bool strictByDefault) {
    std::string s;
    if (encrypt) {
        s += ";Encrypt=" + OdbcValue(strictByDefault ? YesNo(*encrypt) : EncryptKeywordOldDriver(*encrypt));
    } else if (strictByDefault) {
        s += ";Encrypt=Optional";
    }
    if (trust) {
        s += ";TrustServerCertificate=" + OdbcValue(YesNo(*trust));
    } else if (strictByDefault && (!encrypt || ReadEncryption(*encrypt) == Encryption::Off)) {
        // A server that insists on encryption still gets in with the
        // certificate it has, as with the old provider.
        s += ";TrustServerCertificate=yes";
    }
    return s;
}

// FreeTDS takes a host name and a separate port: "tcp:host,port" becomes
// Server=host;Port=port. A named instance (host\instance) it finds itself.
std::string FreeTdsServer(const std::string& dataSource) {
    std::string_view server = Trimmed(dataSource);
    if (server.size() > 4 && utf::AsciiUpper(server.substr(0, 4)) == "TCP:") server.remove_prefix(4);
    std::string_view port;
    if (const auto comma = server.rfind(',');
        comma != std::string_view::npos && AllDigits(Trimmed(server.substr(comma + 1)))) {
        port = Trimmed(server.substr(comma + 1));
        server = Trimmed(server.substr(0, comma));
    }
    std::string host(server), rest;
    if (const auto slash = host.find('\\'); slash != std::string::npos) rest = host.substr(slash), host.resize(slash);
    if (host == "." || utf::AsciiUpper(host) == "(LOCAL)" || utf::AsciiUpper(host) == "(LOCALDB)") host = "localhost";
    std::string s = ";Server=" + OdbcValue(host + rest);
    if (!port.empty()) s += ";Port=" + std::string(port);
    return s;
}

std::string FreeTdsEncryption(const std::optional<std::string>& encrypt) {
    if (!encrypt) return ";Encryption=request";
    switch (ReadEncryption(*encrypt)) {
    case Encryption::Off: return ";Encryption=request";
    case Encryption::On: return ";Encryption=require";
    case Encryption::Strict: return ";Encryption=strict";
    default: return ";Encryption=" + OdbcValue(*encrypt);
    }
}

std::string DriverName(const std::string& driver) {
    std::string_view name = Trimmed(driver);
    if (name.size() >= 2 && name.front() == '{' && name.back() == '}') name = name.substr(1, name.size() - 2);
    return std::string(name);
}

}  // namespace

SqlServerDriver ClassifySqlServerDriver(const std::string& driverName) {
    static const std::string prefix = "ODBC DRIVER ", suffix = " FOR SQL SERVER";
    const std::string name = utf::AsciiUpper(DriverName(driverName));
    if (name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (AllDigits(number) && number.size() < 4) return {SqlServerDriverFamily::MicrosoftOdbc, std::stoi(number)};
    }
    if (name.rfind("SQL SERVER NATIVE CLIENT", 0) == 0 || name.rfind("SQL NATIVE CLIENT", 0) == 0)
        return {SqlServerDriverFamily::NativeClient, 0};
    if (name == "SQL SERVER") return {SqlServerDriverFamily::LegacySqlServer, 0};
    if (name.find("FREETDS") != std::string::npos || name.find("LIBTDSODBC") != std::string::npos)
        return {SqlServerDriverFamily::FreeTds, 0};
    return {};
}

std::string SqlServerConnectionString(const db::ProviderFields& f, const std::string& driver) {
    // "{name}" as a connection string would write it is the same driver.
    const std::string name = DriverName(driver.empty() ? ChooseSqlServerDriver({}) : driver);
    const SqlServerDriver kind = ClassifySqlServerDriver(name);
    const auto trimmed = [](const std::optional<std::string>& value) -> std::optional<std::string> {
        if (!value) return std::nullopt;
        return std::string(Trimmed(*value));
    };
    const auto encrypt = trimmed(f.encrypt);
    const auto trust = trimmed(f.trustServerCertificate);

    std::string s = "Driver=" + OdbcValue(name);
    s += kind.family == SqlServerDriverFamily::FreeTds ? FreeTdsServer(f.dataSource)
                                                       : ";Server=" + OdbcValue(f.dataSource);
    s += ";Database=" + OdbcValue(f.catalog);
    if (f.integratedSecurity) {
        s += ";Trusted_Connection=Yes";
    } else {
        s += ";UID=" + OdbcValue(f.user);
        if (!f.password.empty()) s += ";PWD=" + OdbcValue(f.password);
    }
    switch (kind.family) {
    case SqlServerDriverFamily::MicrosoftOdbc: s += MicrosoftEncryption(encrypt, trust, kind.version >= 18); break;
    case SqlServerDriverFamily::NativeClient:
    case SqlServerDriverFamily::LegacySqlServer: s += MicrosoftEncryption(encrypt, trust, false); break;
    case SqlServerDriverFamily::FreeTds:
        // 7.4 is what SQL Server 2012 and later speak; older servers answer
        // with their own version. Text crosses as UTF-8 on the narrow side.
        s += ";TDS_Version=7.4;ClientCharset=UTF-8" + FreeTdsEncryption(encrypt);
        break;
    case SqlServerDriverFamily::Other: break;
    }
    return s;
}

std::string ChooseSqlServerDriver(const std::vector<std::string>& installedDrivers) {
    std::string best;
    int bestRank = 0;
    for (const auto& name : installedDrivers) {
        const SqlServerDriver kind = ClassifySqlServerDriver(name);
        int rank = 0;
        switch (kind.family) {
        case SqlServerDriverFamily::MicrosoftOdbc: rank = 100 + kind.version; break;
        case SqlServerDriverFamily::NativeClient: rank = 50; break;
        case SqlServerDriverFamily::FreeTds: rank = 20; break;
        case SqlServerDriverFamily::LegacySqlServer: rank = 10; break;
        case SqlServerDriverFamily::Other: break;
        }
        if (rank > bestRank) bestRank = rank, best = name;
    }
    if (!best.empty()) return best;
#ifdef _WIN32
    return "SQL Server";
#else
    return "FreeTDS";
#endif
}

}  // namespace kv::odbc
