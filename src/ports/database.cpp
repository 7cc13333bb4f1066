#include "ports/database.hpp"

#include <algorithm>
#include <cctype>

#include "support/utf.hpp"

namespace kv::db {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool IsTrue(std::string_view value) {
    const std::string v = utf::AsciiUpper(Trim(value));
    return v == "SSPI" || v == "TRUE" || v == "YES";
}

}  // namespace

ProviderFields ParseProviderString(std::string_view text) {
    ProviderFields f;
    f.text = std::string(text);
    while (!text.empty()) {
        const auto end = text.find(';');
        const std::string_view piece = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const auto eq = piece.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string key = utf::AsciiUpper(Trim(piece.substr(0, eq)));
        const std::string value(piece.substr(eq + 1));
        if (key == "PROVIDER") f.provider = value;
        else if (key == "INITIAL CATALOG" || key == "DATABASE") f.catalog = value;
        else if (key == "DATA SOURCE" || key == "SERVER") f.dataSource = value;
        else if (key == "INTEGRATED SECURITY" || key == "TRUSTED_CONNECTION") f.integratedSecurity = IsTrue(value);
        else if (key == "USER ID" || key == "UID") f.user = value;
        else if (key == "PASSWORD" || key == "PWD") f.password = value;
        else if (key == "DRIVER") f.driver = value;
        else if (key == "USE ENCRYPTION FOR DATA" || key == "ENCRYPT") {
            if (!f.encrypt) f.encrypt = std::string(Trim(value));
        } else if (key == "TRUST SERVER CERTIFICATE" || key == "TRUSTSERVERCERTIFICATE") {
            if (!f.trustServerCertificate) f.trustServerCertificate = std::string(Trim(value));
        } else f.others.emplace_back(std::string(Trim(piece.substr(0, eq))), value);
    }
    return f;
}

namespace detail {

std::string SourceTable(std::string_view source) {
    const std::string upper = utf::AsciiUpper(source);
    std::size_t pos = 0;
    while ((pos = upper.find("FROM", pos)) != std::string::npos) {
        const bool startsWord = pos == 0 || !std::isalnum(static_cast<unsigned char>(upper[pos - 1]));
        const std::size_t after = pos + 4;
        if (startsWord && after < upper.size() && std::isspace(static_cast<unsigned char>(upper[after]))) {
            std::size_t i = after;
            while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i]))) ++i;
            std::string name;
            const char open = i < source.size() ? source[i] : '\0';
            const char close = open == '[' ? ']' : open == '"' ? '"' : open == '`' ? '`' : '\0';
            if (close != '\0') {
                const auto endQuote = source.find(close, i + 1);
                if (endQuote != std::string_view::npos) name = source.substr(i + 1, endQuote - i - 1);
            } else {
                while (i < source.size() &&
                       (std::isalnum(static_cast<unsigned char>(source[i])) || source[i] == '_' || source[i] == '.'))
                    name += source[i++];
            }
            if (!name.empty()) return name;
        }
        pos = after;
    }
    throw Error(errnum::InvalidArgument, "Database",
                "The source names no table to add rows to: '" + std::string(source.substr(0, 200)) + "'");
}

std::string ColumnKey(std::string_view name) { return utf::AsciiLower(name); }

std::optional<std::size_t> ColumnIndex::Find(std::string_view name) const {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (utf::AsciiEqualIgnoringCase(names_[i], name)) return i;
    return std::nullopt;
}

Error DriverError(std::string source, std::string message) {
    return Error(ProviderError, std::move(source), std::move(message));
}

Error NoSuchParameter(std::string source, std::string_view procedure, int index) {
    return DriverError(std::move(source),
                       "Procedure " + std::string(procedure) + " has no parameter " + std::to_string(index));
}

Value ProcedureParameter(std::string source, std::string_view procedure, const Params& params, const Value& returnValue,
                         int index) {
    if (index == 0) return returnValue;
    if (index < 1 || static_cast<std::size_t>(index) > params.size())
        throw NoSuchParameter(std::move(source), procedure, index);
    return params[static_cast<std::size_t>(index - 1)];
}

NewRowSet::NewRowSet(std::string driver, std::string_view source, const std::vector<std::string>& columns)
    : driver_(std::move(driver)), table_(SourceTable(source)) {
    if (columns.empty()) throw DriverError(driver_, "The source selects no columns");
    for (const auto& name : columns) columns_.emplace_back(ColumnKey(name), name);
}

void NewRowSet::CheckOpen() const {
    if (!open_) throw DriverError(driver_, "The row set is closed");
}

void NewRowSet::AddNew() {
    CheckOpen();
    row_.clear();
    adding_ = true;
}

void NewRowSet::SetField(std::string_view column, const Value& value) {
    CheckOpen();
    const std::string key = ColumnKey(column);
    const auto it = std::find_if(columns_.begin(), columns_.end(), [&](const auto& c) { return c.first == key; });
    if (it == columns_.end())
        throw DriverError(driver_, "Table " + table_ + " has no column named '" + std::string(column) + "'");
    if (!adding_) throw DriverError(driver_, "No new row: call AddNew first");
    for (auto& entry : row_)
        if (entry.first == it->second) {
            entry.second = value;
            return;
        }
    row_.emplace_back(it->second, value);
}

const std::vector<std::pair<std::string, Value>>& NewRowSet::PendingRow() const {
    CheckOpen();
    if (!adding_) throw DriverError(driver_, "No new row: call AddNew first");
    return row_;
}

void NewRowSet::RowStored() {
    adding_ = false;
    row_.clear();
}

void NewRowSet::Close() {
    open_ = false;
    RowStored();
}

}  // namespace detail

}  // namespace kv::db
