#include "adapters/sqlite/sqlite_database.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "ports/procedure_body.hpp"
#include "support/utf.hpp"

namespace kv::sqlite {

namespace {

constexpr const char* kSource = "SQLite";
// Two add-ins (or an add-in and a tool) writing at once wait for each other.
constexpr int kBusyTimeoutMs = 15000;

Error Fail(sqlite3* db, const std::string& what = {}) {
    std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    if (!what.empty()) message += " (" + what + ")";
    return db::detail::DriverError(kSource, message);
}

bool IsDateType(const char* declared) {
    if (!declared) return false;
    const std::string upper = utf::AsciiUpper(declared);
    return upper.find("DATE") != std::string::npos || upper.find("TIME") != std::string::npos;
}

// Statements prepared once are kept for their text: an import runs the same
// few for every mail, and compiling them was a sixth of its time. Texts that
// change with every call (a number written into them) are kept too, so the
// cache holds the most recently used and drops the oldest beyond its size.
class StatementCache {
public:
    StatementCache() = default;
    // Finalizes every statement kept; a connection closed before this lets
    // go of its file with the last of them.
    ~StatementCache() {
        for (const auto& [text, entry] : entries_) sqlite3_finalize(entry.statement);
    }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The statement kept for text and the length of text it took, taken out
    // of the cache so a second user of the same text prepares its own.
    std::pair<sqlite3_stmt*, std::size_t> Take(std::string_view text) {
        const auto it = entries_.find(text);
        if (it == entries_.end()) return {nullptr, 0};
        const Entry entry = it->second;
        entries_.erase(it);
        return {entry.statement, entry.length};
    }

    // Keeps a statement whose user is done with it, reset and without its
    // values (a bound mail body is not held until the next use).
    void Give(std::string text, sqlite3_stmt* statement, std::size_t length) {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        const auto [it, added] = entries_.try_emplace(std::move(text), Entry{statement, length, ++clock_});
        if (!added) {
            sqlite3_finalize(statement);  // a second user's copy
            return;
        }
        if (entries_.size() > kSize) DropOldest();
    }

private:
    static constexpr std::size_t kSize = 32;
    struct Entry {
        sqlite3_stmt* statement;
        std::size_t length;
        std::uint64_t lastUse;
    };
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };

    void DropOldest() {
        const auto oldest = std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        sqlite3_finalize(oldest->second.statement);
        entries_.erase(oldest);
    }

    std::unordered_map<std::string, Entry, TextHash, std::equal_to<>> entries_;
    std::uint64_t clock_ = 0;
};

class Database {
public:
    explicit Database(sqlite3* handle) : handle_(handle) {}
    ~Database() { sqlite3_close_v2(handle_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* get() const { return handle_; }
    StatementCache& Statements() { return statements_; }

private:
    sqlite3* handle_;
    StatementCache statements_;
};
using DatabasePtr = std::shared_ptr<Database>;

// A prepared statement in use; it goes back to its connection's cache when
// its user is done with it.
class Statement {
public:
    Statement() = default;
    Statement(DatabasePtr db, std::string_view text, sqlite3_stmt* statement, std::size_t length)
        : db_(std::move(db)), text_(text), statement_(statement), length_(length) {}
    ~Statement() {
        if (statement_) db_->Statements().Give(std::move(text_), statement_, length_);
    }
    Statement(Statement&& other) noexcept
        : db_(std::move(other.db_)),
          text_(std::move(other.text_)),
          statement_(std::exchange(other.statement_, nullptr)),
          length_(other.length_) {}
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return statement_; }
    explicit operator bool() const { return statement_ != nullptr; }
    void reset() { Statement gone(std::move(*this)); }

private:
    DatabasePtr db_;
    std::string text_;
    sqlite3_stmt* statement_ = nullptr;
    std::size_t length_ = 0;
};

// Prepares the first statement of text; rest receives what follows it.
Statement Prepare(const DatabasePtr& database, std::string_view text, std::string_view* rest = nullptr) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw db::detail::DriverError(kSource, "The query text is too long");
    auto [raw, length] = database->Statements().Take(text);
    if (!raw) {
        sqlite3* db = database->get();
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, text.data(), static_cast<int>(text.size()), &raw, &tail) != SQLITE_OK)
            throw Fail(db);
        length = static_cast<std::size_t>(tail - text.data());
    }
    if (rest) *rest = text.substr(length);
    // Trailing blanks or comments prepare to no statement; nothing to keep.
    if (!raw) return {};
    return Statement(database, text, raw, length);
}

void Bind(sqlite3* db, sqlite3_stmt* st, int index, const Value& value) {
    int rc = SQLITE_OK;
    const auto& raw = value.Raw();
    if (value.IsEmpty() || value.IsNull()) rc = sqlite3_bind_null(st, index);
    else if (auto b = std::get_if<bool>(&raw)) rc = sqlite3_bind_int(st, index, *b ? 1 : 0);
    else if (auto i = std::get_if<std::int32_t>(&raw)) rc = sqlite3_bind_int(st, index, *i);
    else if (auto d = std::get_if<double>(&raw)) rc = sqlite3_bind_double(st, index, *d);
    else if (auto t = std::get_if<std::string>(&raw))
        rc = sqlite3_bind_text64(st, index, t->data(), t->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    else if (auto dt = std::get_if<DateTime>(&raw)) {
        const std::string iso = dt->ToIso();
        rc = sqlite3_bind_text64(st, index, iso.data(), iso.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } else if (auto bytes = std::get_if<Bytes>(&raw))
        rc = sqlite3_bind_blob64(st, index, bytes->data(), bytes->size(), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) throw Fail(db, "parameter " + std::to_string(index));
}

// Binds params to every marker of the statement: "?" by position, "?N" by N.
void BindAll(sqlite3* db, sqlite3_stmt* st, const db::Params& params) {
    const int count = sqlite3_bind_parameter_count(st);
    if (static_cast<std::size_t>(count) > params.size())
        throw db::detail::DriverError(kSource, "The query has " + std::to_string(count) + " parameters but " +
                                                   std::to_string(params.size()) + " values were given");
    for (int i = 1; i <= count; ++i) Bind(db, st, i, params[static_cast<std::size_t>(i - 1)]);
}

// dateColumn: the column is declared as a date or time; its text is read as one.
Value ReadColumn(sqlite3_stmt* st, int column, bool dateColumn) {
    switch (sqlite3_column_type(st, column)) {
    case SQLITE_NULL: return Value::MakeNull();
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_column_int64(st, column);
        if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
            return Value(static_cast<std::int32_t>(v));
        return Value(static_cast<double>(v));
    }
    case SQLITE_FLOAT: return Value(sqlite3_column_double(st, column));
    case SQLITE_BLOB: {
        const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(st, column));
        return Value(Bytes(p, p + sqlite3_column_bytes(st, column)));
    }
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
        std::string text(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, column)));
        if (dateColumn) {
            try {
                return Value(DateTime::FromIso(text));
            } catch (const Error&) {
                // Not a date after all: hand the text back as stored.
            }
        }
        return Value(std::move(text));
    }
    }
}

bool Step(sqlite3* db, sqlite3_stmt* st) {
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw Fail(db);
}

class SqliteRecordSet final : public db::RecordSet {
public:
    SqliteRecordSet(DatabasePtr db, Statement st) : db_(std::move(db)), st_(std::move(st)) {
        // The first step comes before the columns are read: a statement
        // kept from before a change of the schema is prepared again by it.
        // A statement without rows runs to its end here.
        atRow_ = Step(db_->get(), st_.get());
        const int n = sqlite3_column_count(st_.get());
        // Names and declared types are the statement's, the same on every row.
        for (int i = 0; i < n; ++i) {
            columns_.Add(sqlite3_column_name(st_.get(), i));
            dateColumns_.push_back(IsDateType(sqlite3_column_decltype(st_.get(), i)));
        }
    }
    bool EndOfFile() const override { return !atRow_; }
    Value Field(std::string_view column) const override {
        if (!st_) throw db::detail::DriverError(kSource, "The result is closed");
        const auto index = columns_.Find(column);
        if (!index)
            throw db::detail::DriverError(kSource, "No column named '" + std::string(column) + "' in the result");
        if (!atRow_) throw db::detail::DriverError(kSource, "The result has no current row");
        return ReadColumn(st_.get(), static_cast<int>(*index), dateColumns_[*index]);
    }
    void MoveNext() override {
        if (!st_ || !atRow_) throw db::detail::DriverError(kSource, "The result has no current row");
        atRow_ = Step(db_->get(), st_.get());
    }
    void Close() override {
        st_.reset();
        atRow_ = false;
    }

private:
    DatabasePtr db_;
    Statement st_;
    db::detail::ColumnIndex columns_;
    std::vector<bool> dateColumns_;
    bool atRow_ = false;
};

// The columns of source's result, run once so that a statement kept from
// before a change of the schema is prepared again and names them as they are.
std::vector<std::string> ColumnNames(const DatabasePtr& db, std::string_view source) {
    const Statement statement = Prepare(db, source);
    sqlite3_stmt* st = statement.get();
    Step(db->get(), st);
    std::vector<std::string> names;
    for (int i = 0; i < sqlite3_column_count(st); ++i) names.emplace_back(sqlite3_column_name(st, i));
    return names;
}

class SqliteInsertSet final : public db::detail::NewRowSet {
public:
    SqliteInsertSet(DatabasePtr db, std::string_view source)
        : NewRowSet(kSource, source, ColumnNames(db, source)), db_(std::move(db)) {}

    void Update() override {
        const auto& row = PendingRow();
        std::string sql = "INSERT INTO \"" + Table() + "\"";
        db::Params values;
        if (row.empty()) {
            sql += " DEFAULT VALUES";
        } else {
            std::string names, marks;
            for (const auto& [name, value] : row) {
                names += (names.empty() ? "\"" : ", \"") + name + "\"";
                marks += marks.empty() ? "?" : ", ?";
                values.push_back(value);
            }
            sql += " (" + names + ") VALUES (" + marks + ")";
        }
        auto st = Prepare(db_, sql);
        BindAll(db_->get(), st.get(), values);
        Step(db_->get(), st.get());
        RowStored();
    }

private:
    DatabasePtr db_;
};

class SqliteProcedureCall final : public db::ProcedureCall {
public:
    SqliteProcedureCall(DatabasePtr db, std::string name) : db_(std::move(db)), name_(std::move(name)) {}

    void Refresh() override {
        body_ = LoadBody();
        params_.assign(static_cast<std::size_t>(db::detail::ParameterCount(*body_)), Value::MakeNull());
    }
    void SetParameter(int index, const Value& value) override {
        if (!body_) Refresh();
        if (index < 1 || static_cast<std::size_t>(index) > params_.size())
            throw db::detail::NoSuchParameter(kSource, name_, index);
        params_[static_cast<std::size_t>(index - 1)] = value;
    }
    void Execute() override {
        if (!body_) Refresh();
        sqlite3* db = db_->get();
        Run(db, "BEGIN IMMEDIATE");
        try {
            Value result = Value::MakeNull();
            std::string_view rest = *body_;
            while (!rest.empty()) {
                auto st = Prepare(db_, rest, &rest);
                if (!st) break;  // trailing blanks or comments
                BindAll(db, st.get(), params_);
                if (Step(db, st.get())) {
                    result = sqlite3_column_count(st.get()) > 0
                                 ? ReadColumn(st.get(), 0, IsDateType(sqlite3_column_decltype(st.get(), 0)))
                                 : Value::MakeNull();
                    while (Step(db, st.get())) {}
                }
            }
            Run(db, "COMMIT");
            returnValue_ = result;
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
    Value Parameter(int index) const override {
        return db::detail::ProcedureParameter(kSource, name_, params_, returnValue_, index);
    }

private:
    std::string LoadBody() const {
        auto st = Prepare(db_, "SELECT body FROM kv_procedure WHERE name = ?1 COLLATE NOCASE");
        BindAll(db_->get(), st.get(), {Value(name_)});
        if (!Step(db_->get(), st.get()))
            throw db::detail::DriverError(kSource, "Could not find stored procedure '" + name_ + "'");
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
        return text ? text : "";
    }
    static void Run(sqlite3* db, const char* sql) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw Fail(db);
    }

    DatabasePtr db_;
    std::string name_;
    std::optional<std::string> body_;
    db::Params params_;
    Value returnValue_ = Value::MakeNull();
};

class SqliteConnection final : public db::Connection {
public:
    explicit SqliteConnection(DatabasePtr db) : db_(std::move(db)) {}

    std::unique_ptr<db::RecordSet> Execute(std::string_view sql, const db::Params& params) override {
        // Statements before the last run to their end, each before the next
        // is prepared (it may need what they made); the last is the result.
        std::string_view rest = sql;
        while (true) {
            auto st = Prepare(db_, rest, &rest);
            if (!st) break;
            BindAll(db_->get(), st.get(), params);
            if (db::detail::SplitStatements(rest).empty()) return std::make_unique<SqliteRecordSet>(db_, std::move(st));
            while (Step(db_->get(), st.get())) {}
        }
        throw db::detail::DriverError(kSource, "The query text holds no statement");
    }
    std::unique_ptr<db::InsertSet> OpenInsertSet(std::string_view source) override {
        return std::make_unique<SqliteInsertSet>(db_, source);
    }
    std::unique_ptr<db::ProcedureCall> CreateProcedureCall(std::string_view name) override {
        return std::make_unique<SqliteProcedureCall>(db_, std::string(name));
    }
    sqlite3* Handle() const { return db_->get(); }

private:
    DatabasePtr db_;
};

// An SQLite file starts with this text; anything else is refused before
// SQLite reads it, so a stray file is never taken for an empty database. The
// header is read through the connection's own file: opening and closing the
// file once more would drop the locks every other connection of this process
// holds on it (POSIX locks belong to the process), and a second thread's
// connection would then write unguarded.
bool HasSqliteHeader(sqlite3* db) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
        file->pMethods == nullptr)
        return false;
    char header[16] = {};
    return file->pMethods->xRead(file, header, sizeof header, 0) == SQLITE_OK &&
           std::string_view(header, sizeof header) == std::string_view("SQLite format 3\0", 16);
}

std::unique_ptr<db::Connection> Open(const std::string& path, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    auto database = std::make_shared<Database>(raw);
    if (rc != SQLITE_OK) throw Fail(raw, path);
    if ((flags & SQLITE_OPEN_CREATE) == 0 && !HasSqliteHeader(raw))
        throw db::detail::DriverError(kSource, "The file is not an SQLite database: " + path);
    // SQLite quietly opens a file it may not write for reading only; the
    // import would then fail at its first row, after saving the first mail.
    if (sqlite3_db_readonly(raw, "main") == 1)
        throw db::detail::DriverError(kSource, "The database file is read-only: " + path);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    sqlite3_extended_result_codes(raw, 1);
    std::unique_ptr<db::Connection> connection = std::make_unique<SqliteConnection>(database);
    // Reading the schema proves the file is a database, not just a header.
    connection->Execute("SELECT count(*) FROM sqlite_master")->Close();
    connection->Execute("PRAGMA foreign_keys = ON")->Close();
    // 1 MiB of cached pages, half SQLite's default: what an import touches
    // (the last pages of each table, the index pages of the duplicate
    // check) fits, and filing thousands of mails does not grow the cache to
    // the whole default.
    connection->Execute("PRAGMA cache_size = -1024")->Close();
    return connection;
}

}  // namespace

std::unique_ptr<db::Connection> OpenDatabase(const std::string& path) {
    if (path.empty()) throw db::detail::DriverError(kSource, "No database file is named (Initial Catalog is empty)");
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw db::detail::DriverError(kSource, "The database file is a folder: " + path);
    if (!std::filesystem::is_regular_file(path, ec))
        throw db::detail::DriverError(kSource, "The database file does not exist: " + path);
    return Open(path, SQLITE_OPEN_READWRITE);
}

std::unique_ptr<db::Connection> CreateDatabase(const std::string& path) {
    if (path.empty()) throw db::detail::DriverError(kSource, "No database file is named");
    return Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void ExecuteScript(db::Connection& connection, const std::string& script) {
    auto* sqlite = dynamic_cast<SqliteConnection*>(&connection);
    if (!sqlite) throw Error(errnum::InvalidArgument, kSource, "Not an SQLite connection");
    char* message = nullptr;
    if (sqlite3_exec(sqlite->Handle(), script.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "script failed";
        sqlite3_free(message);
        throw db::detail::DriverError(kSource, text);
    }
}

}  // namespace kv::sqlite
