#pragma once
// The database port: the few operations the add-in needs from its database,
// shaped after the data-access objects it was designed for.
//
//   auto cn = connector.Open(ParseConnectionText(storedText), odbcDriver);
//   auto rs = cn->Execute(" SELECT Vaerdi FROM SysVariabler WHERE VariableNavn=?",
//                         {kv::Value("DocHandlingJobFolderName")});
//   while (!rs->EndOfFile()) { kv::Value v = rs->Field("Vaerdi"); ...; rs->MoveNext(); }
//   rs->Close();
//
// Every failure is a kv::Error whose description is the driver's own message.
// Column names are matched without regard to letter case, as the server does.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/error.hpp"
#include "support/value.hpp"

namespace kv::db {

// Error number of every failure reported by a database driver (the generic
// provider failure number the add-in's callers saw before).
inline constexpr std::int32_t ProviderError = -2147467259;

// Values bound to the '?' markers of a query text, in order. Text, int32,
// double, bool, DateTime, bytes and Null are accepted; Empty binds as Null.
using Params = std::vector<Value>;

// A forward-only, read-only result. Freshly opened it stands on the first row,
// or at its end when there is none.
class RecordSet {
public:
    virtual ~RecordSet() = default;
    // True after the last row, and at once for an empty result.
    virtual bool EndOfFile() const = 0;
    // The current row's value of the column: a database NULL is Value::Null,
    // never the empty text. An unknown column, or no current row, throws.
    virtual Value Field(std::string_view column) const = 0;
    virtual void MoveNext() = 0;
    // Releases the statement; further reads throw. Closing twice is harmless.
    virtual void Close() = 0;
};

// An updatable set opened on a source text that selects from one table (the
// import opens "SELECT * FROM DocMailImport WHERE ImpId = -1 "). Only new
// rows are written through it; columns the caller does not set keep the
// table's default, so keys the database assigns are never written.
class InsertSet {
public:
    virtual ~InsertSet() = default;
    // Starts a new row; fields set before the next Update belong to it.
    virtual void AddNew() = 0;
    // Fails here, at the field that names it, when the column is unknown.
    virtual void SetField(std::string_view column, const Value& value) = 0;
    // Stores the new row; when it returns the row is in the table.
    virtual void Update() = 0;
    // 1 while open, 0 once closed.
    virtual int State() const = 0;
    virtual void Close() = 0;
};

// A stored-procedure call: name, then Refresh (learn the parameters from the
// database), SetParameter(1, ...), Execute, and Parameter(0), the return value.
class ProcedureCall {
public:
    virtual ~ProcedureCall() = default;
    // Fails when the database has no such procedure.
    virtual void Refresh() = 0;
    // index 1 is the procedure's first parameter; index 0 is not settable.
    virtual void SetParameter(int index, const Value& value) = 0;
    // Runs the procedure; its result sets, if any, are read and dropped.
    virtual void Execute() = 0;
    // index 0: the return value after Execute (Null before).
    virtual Value Parameter(int index) const = 0;
};

class Connection {
public:
    virtual ~Connection() = default;
    // Runs one query text (with its '?' parameters bound) and returns its
    // result. A statement without rows gives a result that is at its end.
    virtual std::unique_ptr<RecordSet> Execute(std::string_view sql, const Params& params = {}) = 0;
    virtual std::unique_ptr<InsertSet> OpenInsertSet(std::string_view source) = 0;
    virtual std::unique_ptr<ProcedureCall> CreateProcedureCall(std::string_view name) = 0;
};

// What a connection is opened from: the database, server, login and
// encryption wishes, read once from the stored connection text (or from a
// provider string) and handed whole to the adapter that opens it. Keys are
// matched without regard to case; unknown keys are kept in `others` in their
// order.
struct ProviderFields {
    std::string provider;
    std::string catalog;     // Initial Catalog
    std::string dataSource;  // Data Source
    bool integratedSecurity = false;
    std::string user;                                   // User ID
    std::string password;                               // Password
    std::optional<std::string> encrypt;                 // Use Encryption for Data, or Encrypt: as given
    std::optional<std::string> trustServerCertificate;  // Trust Server Certificate, or TrustServerCertificate
    std::string driver;                                 // Driver: present only in raw ODBC strings
    std::string text;  // the string as written; one that names its Driver goes to that driver as it is
    std::vector<std::pair<std::string, std::string>> others;
};

ProviderFields ParseProviderString(std::string_view text);

// Opens connections from what the settings read of the database. odbcDriver
// is the settings key's optional "OdbcDriver" value, "" when not stored; it
// names the ODBC driver to use for a database server.
class DatabaseConnector {
public:
    virtual ~DatabaseConnector() = default;
    virtual std::unique_ptr<Connection> Open(const ProviderFields& connection, const std::string& odbcDriver = {}) = 0;
};

// Data Source naming the embedded database instead of a server.
inline constexpr std::string_view EmbeddedDataSource = "(sqlite)";

// Helpers shared by the adapters.
namespace detail {
// The table an updatable set's source selects from: the first name after
// FROM, brackets or quotes removed. Throws when there is none.
std::string SourceTable(std::string_view source);
// Lower-cased ASCII name, for column look-ups.
std::string ColumnKey(std::string_view name);
// The columns of a result by name, ASCII letters in either case, the first of
// equal names winning. A look-up allocates nothing: the dialog reads fields of
// tens of thousands of rows.
class ColumnIndex {
public:
    void Add(std::string_view name) { names_.emplace_back(name); }
    // The position of the column as added, or none.
    std::optional<std::size_t> Find(std::string_view name) const;

private:
    std::vector<std::string> names_;
};
Error DriverError(std::string source, std::string message);
// "Procedure <name> has no parameter <index>".
Error NoSuchParameter(std::string source, std::string_view procedure, int index);
// ProcedureCall::Parameter as every adapter answers it: 0 is the return
// value, 1 to n the parameters; any other index fails.
Value ProcedureParameter(std::string source, std::string_view procedure, const Params& params, const Value& returnValue,
                         int index);

// What every adapter's insert set shares: the table's columns (from its
// source) and the values set for the new row, in the order first set.
class NewRowSet : public InsertSet {
public:
    void AddNew() override;
    void SetField(std::string_view column, const Value& value) override;
    int State() const override { return open_ ? 1 : 0; }
    void Close() override;

protected:
    NewRowSet(std::string driver, std::string_view source, const std::vector<std::string>& columns);
    // The row to store; throws unless AddNew started one.
    const std::vector<std::pair<std::string, Value>>& PendingRow() const;
    // Called once the row is stored.
    void RowStored();
    const std::string& Table() const { return table_; }
    const std::string& Driver() const { return driver_; }

private:
    void CheckOpen() const;
    std::string driver_;
    std::string table_;
    std::vector<std::pair<std::string, std::string>> columns_;  // key, name as the table has it
    std::vector<std::pair<std::string, Value>> row_;
    bool open_ = true;
    bool adding_ = false;
};
}  // namespace detail

}  // namespace kv::db
