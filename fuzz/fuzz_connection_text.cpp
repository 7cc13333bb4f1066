// Any stored connection text read into the description the database adapter
// is handed, and any provider string through its parser: no crash, and the
// provider string the add-in shows parses back to what the adapter is handed.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "ports/database.hpp"
#include "settings/connection_text.hpp"
#include "support/error.hpp"

namespace {

std::optional<std::string> Trimmed(const std::optional<std::string>& value) {
    if (!value) return value;
    const auto first = value->find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return value->substr(first, value->find_last_not_of(" \t") - first + 1);
}

// What the adapter is handed must be what the provider string shows.
void CheckShownAsHanded(const kv::db::ProviderFields& handed) {
    const auto shown = kv::db::ParseProviderString(kv::ProviderString(handed));
    bool same = shown.catalog == handed.catalog && shown.dataSource == handed.dataSource &&
                shown.integratedSecurity == handed.integratedSecurity &&
                Trimmed(shown.encrypt) == Trimmed(handed.encrypt) &&
                Trimmed(shown.trustServerCertificate) == Trimmed(handed.trustServerCertificate);
    if (!handed.integratedSecurity) same = same && shown.user == handed.user && shown.password == handed.password;
    if (!same) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const auto handed = kv::ParseConnectionText(text);
        if (!text.empty()) CheckShownAsHanded(handed);
    } catch (const kv::Error&) {}
    try {
        (void)kv::db::ParseProviderString(text);
    } catch (const kv::Error&) {}
    return 0;
}
