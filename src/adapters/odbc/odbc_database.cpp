#include "adapters/odbc/odbc_database.hpp"

#include "adapters/odbc/sql_server_connection.hpp"

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>

#include "ports/procedure_body.hpp"
#include "support/utf.hpp"

namespace kv::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16 code units");

namespace {

constexpr const char* kSource = "ODBC";
constexpr SQLULEN kTimeoutSeconds = 15;
constexpr std::size_t kChunkChars = 2048;
// Above this many characters text is sent as a long value.
constexpr std::size_t kLongTextChars = 4000;

using WString = std::basic_string<SQLWCHAR>;

WString Wide(std::string_view utf8) {
    const std::u16string u16 = utf::ToUtf16(utf8);
    return WString(u16.begin(), u16.end());
}

std::string Narrow(const SQLWCHAR* text, std::size_t length) {
    std::u16string u16(length, u'\0');
    std::copy(text, text + length, u16.begin());
    return utf::ToUtf8(u16);
}

std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string all;
    for (SQLSMALLINT i = 1; i < 20; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(type, handle, i, state, &native, message, 1024, &length);
        if (!SQL_SUCCEEDED(rc)) break;
        const std::size_t used =
            std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), 1023);
        if (!all.empty()) all += "; ";
        all += "[" + Narrow(state, 5) + "] " + Narrow(message, used);
    }
    return all;
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const std::string& what) {
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
    std::string message = handle && rc != SQL_INVALID_HANDLE ? Diagnostics(type, handle) : std::string();
    if (message.empty()) message = what + " failed (ODBC return code " + std::to_string(rc) + ")";
    throw db::detail::DriverError(kSource, message);
}

class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle_))) {
            handle_ = SQL_NULL_HANDLE;
            throw db::detail::DriverError(
                kSource, parent ? Diagnostics(type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV, parent)
                                : "The ODBC driver manager could not be started");
        }
    }
    ~Handle() {
        if (handle_) SQLFreeHandle(type_, handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    SQLHANDLE get() const { return handle_; }
    SQLSMALLINT type() const { return type_; }
    void Check(SQLRETURN rc, const std::string& what) const { odbc::Check(rc, type_, handle_, what); }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

std::unique_ptr<Handle> NewEnvironment() {
    auto env = std::make_unique<Handle>(SQL_HANDLE_ENV, SQLHANDLE{});
    env->Check(SQLSetEnvAttr(env->get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
               "SQLSetEnvAttr");
    return env;
}

struct Link {
    Link() = default;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
    // A driver manager refuses to free a connection still connected.
    ~Link() {
        if (dbc && connected) SQLDisconnect(dbc->get());
    }
    std::unique_ptr<Handle> env;
    std::unique_ptr<Handle> dbc;
    bool connected = false;
    std::optional<std::string> dbms;  // the server's product name in lower case, asked once
};
using LinkPtr = std::shared_ptr<Link>;

// Parameter values live here until the statement has run.
struct BoundParam {
    SQLLEN indicator = 0;
    WString text;
    std::int32_t integer = 0;
    double real = 0;
    unsigned char bit = 0;
    SQL_TIMESTAMP_STRUCT timestamp{};
    Bytes bytes;
};

SQL_TIMESTAMP_STRUCT ToTimestamp(const DateTime& dt) {
    SQL_TIMESTAMP_STRUCT ts{};
    ts.year = static_cast<SQLSMALLINT>(dt.year);
    ts.month = static_cast<SQLUSMALLINT>(dt.month);
    ts.day = static_cast<SQLUSMALLINT>(dt.day);
    ts.hour = static_cast<SQLUSMALLINT>(dt.hour);
    ts.minute = static_cast<SQLUSMALLINT>(dt.minute);
    ts.second = static_cast<SQLUSMALLINT>(dt.second);
    return ts;
}

void BindInput(const Handle& st, SQLUSMALLINT index, const Value& value, BoundParam& p) {
    const auto& raw = value.Raw();
    SQLRETURN rc;
    if (auto b = std::get_if<bool>(&raw)) {
        p.bit = *b ? 1 : 0;
        rc = SQLBindParameter(st.get(), index, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0, &p.bit, 0, &p.indicator);
    } else if (auto i = std::get_if<std::int32_t>(&raw)) {
        p.integer = *i;
        rc = SQLBindParameter(st.get(), index, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &p.integer, 0,
                              &p.indicator);
    } else if (auto d = std::get_if<double>(&raw)) {
        p.real = *d;
        rc = SQLBindParameter(st.get(), index, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &p.real, 0,
                              &p.indicator);
    } else if (auto t = std::get_if<std::string>(&raw)) {
        p.text = Wide(*t);
        const std::size_t chars = p.text.size();
        p.indicator = static_cast<SQLLEN>(chars * sizeof(SQLWCHAR));
        rc = SQLBindParameter(st.get(), index, SQL_PARAM_INPUT, SQL_C_WCHAR,
                              chars > kLongTextChars ? SQL_WLONGVARCHAR : SQL_WVARCHAR, std::max<SQLULEN>(chars, 1), 0,
                              p.text.data(), static_cast<SQLLEN>((chars + 1) * sizeof(SQLWCHAR)), &p.indicator);
    } else if (auto dt = std::get_if<DateTime>(&raw)) {
        p.timestamp = ToTimestamp(*dt);
        rc = SQLBindParameter(st.get(), index, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19, 0,
                              &p.timestamp, 0, &p.indicator);
    } else if (auto bytes = std::get_if<Bytes>(&raw)) {
        p.bytes = *bytes;
        p.indicator = static_cast<SQLLEN>(p.bytes.size());
        rc = SQLBindParameter(st.get(), index, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_VARBINARY,
                              std::max<SQLULEN>(p.bytes.size(), 1), 0, p.bytes.data(), p.indicator, &p.indicator);
    } else {  // Empty and Null
        p.indicator = SQL_NULL_DATA;
        rc = SQLBindParameter(st.get(), index, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0, nullptr, 0,
                              &p.indicator);
    }
    st.Check(rc, "SQLBindParameter");
}

std::vector<BoundParam> BindInputs(const Handle& st, const db::Params& params, SQLUSMALLINT first = 1) {
    std::vector<BoundParam> bound(params.size());
    for (std::size_t i = 0; i < params.size(); ++i)
        BindInput(st, static_cast<SQLUSMALLINT>(first + i), params[i], bound[i]);
    return bound;
}

struct ColumnInfo {
    std::string name;
    SQLSMALLINT type = 0;
    SQLSMALLINT digits = 0;
};

std::vector<ColumnInfo> DescribeColumns(const Handle& st) {
    SQLSMALLINT count = 0;
    st.Check(SQLNumResultCols(st.get(), &count), "SQLNumResultCols");
    std::vector<ColumnInfo> columns;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        st.Check(SQLDescribeColW(st.get(), i, name, 256, &nameLength, &type, &size, &digits, &nullable),
                 "SQLDescribeColW");
        columns.push_back(
            {Narrow(name, std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(nameLength, 0)), 255)),
             type, digits});
    }
    return columns;
}

// Reads a long value piece by piece: text as UTF-16, binary as bytes.
template <class Unit>
std::optional<std::basic_string<Unit>> ReadChunks(const Handle& st, SQLUSMALLINT column, SQLSMALLINT cType) {
    constexpr std::size_t terminator = std::is_same_v<Unit, SQLWCHAR> ? 1 : 0;
    std::basic_string<Unit> all;
    Unit buffer[kChunkChars];
    while (true) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(st.get(), column, cType, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) break;
        st.Check(rc, "SQLGetData");
        if (indicator == SQL_NULL_DATA) return std::nullopt;
        const std::size_t room = kChunkChars - terminator;
        std::size_t got = room;
        if (indicator != SQL_NO_TOTAL) got = std::min(room, static_cast<std::size_t>(indicator) / sizeof(Unit));
        all.append(buffer, got);
        if (rc == SQL_SUCCESS) break;  // with info: truncated, more to come
        if (indicator != SQL_NO_TOTAL && static_cast<std::size_t>(indicator) / sizeof(Unit) <= room) break;
    }
    return all;
}

template <class T>
std::optional<T> ReadFixed(const Handle& st, SQLUSMALLINT column, SQLSMALLINT cType) {
    T value{};
    SQLLEN indicator = 0;
    st.Check(SQLGetData(st.get(), column, cType, &value, sizeof value, &indicator), "SQLGetData");
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    return value;
}

Value FromInt64(std::int64_t v) {
    if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
        return Value(static_cast<std::int32_t>(v));
    return Value(static_cast<double>(v));
}

Value ReadColumn(const Handle& st, SQLUSMALLINT column, const ColumnInfo& info) {
    switch (info.type) {
    case SQL_BIT: {
        auto v = ReadFixed<unsigned char>(st, column, SQL_C_BIT);
        return v ? Value(*v != 0) : Value::MakeNull();
    }
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: {
        auto v = ReadFixed<std::int64_t>(st, column, SQL_C_SBIGINT);
        return v ? FromInt64(*v) : Value::MakeNull();
    }
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: {
        auto v = ReadFixed<double>(st, column, SQL_C_DOUBLE);
        if (!v) return Value::MakeNull();
        if ((info.type == SQL_DECIMAL || info.type == SQL_NUMERIC) && info.digits == 0 &&
            *v >= std::numeric_limits<std::int32_t>::min() && *v <= std::numeric_limits<std::int32_t>::max())
            return Value(static_cast<std::int32_t>(*v));
        return Value(*v);
    }
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME: {
        auto v = ReadFixed<SQL_TIMESTAMP_STRUCT>(st, column, SQL_C_TYPE_TIMESTAMP);
        if (!v) return Value::MakeNull();
        return Value(DateTime{v->year, v->month, v->day, v->hour, v->minute, v->second});
    }
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: {
        auto v = ReadChunks<std::uint8_t>(st, column, SQL_C_BINARY);
        return v ? Value(Bytes(v->begin(), v->end())) : Value::MakeNull();
    }
    default: {
        auto v = ReadChunks<SQLWCHAR>(st, column, SQL_C_WCHAR);
        return v ? Value(Narrow(v->data(), v->size())) : Value::MakeNull();
    }
    }
}

std::unique_ptr<Handle> NewStatement(const LinkPtr& link) {
    return std::make_unique<Handle>(SQL_HANDLE_STMT, link->dbc->get());
}

void ExecDirect(const Handle& st, std::string_view sql) {
    WString text = Wide(sql);
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<SQLINTEGER>::max()))
        throw db::detail::DriverError(kSource, "The query text is too long");
    st.Check(SQLExecDirectW(st.get(), text.data(), static_cast<SQLINTEGER>(text.size())), "SQLExecDirectW");
}

// Moves past row counts (SQL Server sends one per statement without NOCOUNT)
// to the first result that has columns; false when there is none.
bool FindRowResult(const Handle& st) {
    while (true) {
        SQLSMALLINT count = 0;
        st.Check(SQLNumResultCols(st.get(), &count), "SQLNumResultCols");
        if (count > 0) return true;
        const SQLRETURN rc = SQLMoreResults(st.get());
        if (rc == SQL_NO_DATA) return false;
        st.Check(rc, "SQLMoreResults");
    }
}

void DrainResults(const Handle& st) {
    while (true) {
        const SQLRETURN rc = SQLMoreResults(st.get());
        if (rc == SQL_NO_DATA) return;
        st.Check(rc, "SQLMoreResults");
    }
}

class OdbcRecordSet final : public db::RecordSet {
public:
    OdbcRecordSet(LinkPtr link, std::unique_ptr<Handle> st) : link_(std::move(link)), st_(std::move(st)) {
        if (FindRowResult(*st_)) {
            columns_ = DescribeColumns(*st_);
            for (const auto& described : columns_) index_.Add(described.name);
            Fetch();
        }
    }
    bool EndOfFile() const override { return !atRow_; }
    Value Field(std::string_view column) const override {
        if (!st_) throw db::detail::DriverError(kSource, "The result is closed");
        const auto index = index_.Find(column);
        if (!index)
            throw db::detail::DriverError(kSource, "No column named '" + std::string(column) + "' in the result");
        if (!atRow_) throw db::detail::DriverError(kSource, "The result has no current row");
        return row_[*index];
    }
    void MoveNext() override {
        if (!st_ || !atRow_) throw db::detail::DriverError(kSource, "The result has no current row");
        Fetch();
    }
    void Close() override {
        if (st_) SQLCloseCursor(st_->get());
        st_.reset();
        atRow_ = false;
        row_.clear();
    }

private:
    void Fetch() {
        const SQLRETURN rc = SQLFetch(st_->get());
        atRow_ = rc != SQL_NO_DATA;
        row_.clear();
        if (!atRow_) return;
        st_->Check(rc, "SQLFetch");
        // Columns are read in order, once, as SQLGetData requires.
        for (std::size_t i = 0; i < columns_.size(); ++i)
            row_.push_back(ReadColumn(*st_, static_cast<SQLUSMALLINT>(i + 1), columns_[i]));
    }
    LinkPtr link_;
    std::unique_ptr<Handle> st_;
    std::vector<ColumnInfo> columns_;
    db::detail::ColumnIndex index_;
    std::vector<Value> row_;
    bool atRow_ = false;
};

// The server's product name in lower case; "" when the driver cannot say.
const std::string& DbmsName(Link& link) {
    if (!link.dbms) {
        SQLWCHAR name[64] = {};
        SQLSMALLINT bytes = 0;
        if (!SQL_SUCCEEDED(SQLGetInfoW(link.dbc->get(), SQL_DBMS_NAME, name, sizeof name, &bytes))) bytes = 0;
        const std::size_t chars =
            std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(bytes, 0)) / sizeof(SQLWCHAR), 63);
        link.dbms = utf::AsciiLower(Narrow(name, chars));
    }
    return *link.dbms;
}

// SQLite keeps its procedures as rows of kv_procedure, which only it has. A
// driver that cannot say is taken for a real server.
bool IsSqlite(Link& link) { return DbmsName(link) == "sqlite"; }

// The statements are SQL Server's, whose [Name] SQLite reads too; a server
// that knows no brackets gets the names bare. One that cannot say is taken
// for SQL Server.
std::string_view StatementFor(Link& link, std::string_view sql, std::string& rewritten) {
    const std::string& dbms = DbmsName(link);
    if (dbms.empty() || dbms == "sqlite" || dbms.find("sql server") != std::string::npos) return sql;
    rewritten = db::detail::WithoutNameBrackets(sql);
    return rewritten;
}

std::vector<std::string> SourceColumns(const LinkPtr& link, std::string_view source) {
    auto st = NewStatement(link);
    std::string rewritten;
    ExecDirect(*st, StatementFor(*link, source, rewritten));
    std::vector<std::string> names;
    if (FindRowResult(*st))
        for (const auto& c : DescribeColumns(*st)) names.push_back(c.name);
    SQLCloseCursor(st->get());
    return names;
}

class OdbcInsertSet final : public db::detail::NewRowSet {
public:
    OdbcInsertSet(LinkPtr link, std::string_view source)
        : NewRowSet(kSource, source, SourceColumns(link, source)), link_(std::move(link)) {}

    void Update() override {
        const auto& row = PendingRow();
        if (row.empty()) throw db::detail::DriverError(kSource, "The new row has no values");
        std::string names, marks;
        db::Params values;
        for (const auto& [name, value] : row) {
            names += (names.empty() ? "" : ", ") + name;
            marks += marks.empty() ? "?" : ", ?";
            values.push_back(value);
        }
        auto st = NewStatement(link_);
        auto bound = BindInputs(*st, values);
        ExecDirect(*st, "INSERT INTO " + Table() + " (" + names + ") VALUES (" + marks + ")");
        DrainResults(*st);
        RowStored();
    }

private:
    LinkPtr link_;
};

std::unique_ptr<db::RecordSet> Query(const LinkPtr& link, std::string_view sql, const db::Params& params) {
    auto st = NewStatement(link);
    auto bound = BindInputs(*st, params);
    std::string rewritten;
    ExecDirect(*st, StatementFor(*link, sql, rewritten));
    // Parameters are read at execution only, so the buffers may go now.
    SQLFreeStmt(st->get(), SQL_RESET_PARAMS);
    return std::make_unique<OdbcRecordSet>(link, std::move(st));
}

// Turns autocommit back on however the transaction ended.
class ManualCommit {
public:
    explicit ManualCommit(const Handle& dbc) : dbc_(dbc) {
        dbc_.Check(SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                                      SQL_IS_UINTEGER),
                   "SQLSetConnectAttrW");
    }
    ~ManualCommit() {
        if (!committed_) SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
        SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                           SQL_IS_UINTEGER);
    }
    ManualCommit(const ManualCommit&) = delete;
    ManualCommit& operator=(const ManualCommit&) = delete;
    void Commit() {
        dbc_.Check(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_COMMIT), "SQLEndTran");
        committed_ = true;
    }

private:
    const Handle& dbc_;
    bool committed_ = false;
};

class OdbcProcedureCall final : public db::ProcedureCall {
public:
    OdbcProcedureCall(LinkPtr link, std::string name) : link_(std::move(link)), name_(std::move(name)) {}

    void Refresh() override {
        // Servers that fold unquoted names store them in lower case.
        std::optional<int> count = InputParameterCount(name_);
        if (!count) count = InputParameterCount(utf::AsciiLower(name_));
        body_.reset();
        if (!count && (body_ = StandInBody())) count = db::detail::ParameterCount(*body_);
        if (!count) throw db::detail::DriverError(kSource, "Could not find stored procedure '" + name_ + "'");
        params_.assign(static_cast<std::size_t>(*count), Value::MakeNull());
        refreshed_ = true;
    }
    void SetParameter(int index, const Value& value) override {
        if (index < 1) throw db::detail::DriverError(kSource, "Parameter 0 is the return value and cannot be set");
        if (refreshed_ && static_cast<std::size_t>(index) > params_.size())
            throw db::detail::NoSuchParameter(kSource, name_, index);
        if (static_cast<std::size_t>(index) > params_.size())
            params_.resize(static_cast<std::size_t>(index), Value::MakeNull());
        params_[static_cast<std::size_t>(index - 1)] = value;
    }
    void Execute() override {
        if (!refreshed_ && !body_ && (body_ = StandInBody()))
            params_.resize(
                std::max<std::size_t>(params_.size(), static_cast<std::size_t>(db::detail::ParameterCount(*body_))),
                Value::MakeNull());
        if (body_) {
            returnValue_ = RunStandIn(*body_);
            return;
        }
        std::string call = "{? = call " + name_ + "(";
        for (std::size_t i = 0; i < params_.size(); ++i) call += i == 0 ? "?" : ", ?";
        call += ")}";
        auto st = NewStatement(link_);
        std::int32_t result = 0;
        SQLLEN resultIndicator = 0;
        st->Check(SQLBindParameter(st->get(), 1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &result, 0,
                                   &resultIndicator),
                  "SQLBindParameter");
        auto bound = BindInputs(*st, params_, 2);
        ExecDirect(*st, call);
        // Output parameters are filled only once every result has been read.
        DrainResults(*st);
        returnValue_ = resultIndicator == SQL_NULL_DATA ? Value::MakeNull() : Value(result);
    }
    Value Parameter(int index) const override {
        return db::detail::ProcedureParameter(kSource, name_, params_, returnValue_, index);
    }

private:
    // Number of input parameters, or nothing when the catalog has no such
    // procedure.
    std::optional<int> InputParameterCount(const std::string& name) const {
        auto st = NewStatement(link_);
        WString wideName = Wide(name);
        st->Check(SQLProcedureColumnsW(st->get(), nullptr, 0, nullptr, 0, wideName.data(),
                                       static_cast<SQLSMALLINT>(wideName.size()), nullptr, 0),
                  "SQLProcedureColumnsW");
        bool any = false;
        int inputs = 0;
        while (true) {
            const SQLRETURN rc = SQLFetch(st->get());
            if (rc == SQL_NO_DATA) break;
            st->Check(rc, "SQLFetch");
            any = true;
            auto kind = ReadFixed<SQLSMALLINT>(*st, 5, SQL_C_SSHORT);  // COLUMN_TYPE
            if (kind && (*kind == SQL_PARAM_INPUT || *kind == SQL_PARAM_INPUT_OUTPUT)) ++inputs;
        }
        if (!any) return std::nullopt;
        return inputs;
    }

    // The body kept for this name in an SQLite database's kv_procedure, or
    // nothing when there is none (or the data source is no SQLite).
    std::optional<std::string> StandInBody() const {
        if (!IsSqlite(*link_)) return std::nullopt;
        if (Query(link_,
                  "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = 'kv_procedure' "
                  "COLLATE NOCASE",
                  {})
                ->EndOfFile())
            return std::nullopt;
        auto rs = Query(link_, "SELECT body FROM kv_procedure WHERE name = ? COLLATE NOCASE", {Value(name_)});
        if (rs->EndOfFile()) return std::nullopt;
        const Value body = rs->Field("body");
        return body.IsNull() ? std::string() : body.ToText();
    }

    // Runs the body's statements in one transaction; the result is the first
    // column of the last row-returning statement's first row.
    Value RunStandIn(std::string_view body) {
        std::vector<db::detail::PositionalStatement> statements;
        for (const auto statement : db::detail::SplitStatements(body)) {
            statements.push_back(db::detail::ToPositional(statement));
            for (const int number : statements.back().parameters)
                if (number < 1 || static_cast<std::size_t>(number) > params_.size())
                    throw db::detail::NoSuchParameter(kSource, name_, number);
        }
        Value result = Value::MakeNull();
        ManualCommit transaction(*link_->dbc);
        for (const auto& statement : statements) {
            db::Params values;
            for (const int number : statement.parameters)
                values.push_back(params_[static_cast<std::size_t>(number - 1)]);
            auto st = NewStatement(link_);
            auto bound = BindInputs(*st, values);
            ExecDirect(*st, statement.text);
            if (FindRowResult(*st)) {
                const auto columns = DescribeColumns(*st);
                // Every row is fetched, so the statement has run to its end.
                for (bool first = true;; first = false) {
                    const SQLRETURN rc = SQLFetch(st->get());
                    if (rc == SQL_NO_DATA) break;
                    st->Check(rc, "SQLFetch");
                    if (first) result = columns.empty() ? Value::MakeNull() : ReadColumn(*st, 1, columns[0]);
                }
            }
            DrainResults(*st);
        }
        transaction.Commit();
        return result;
    }

    LinkPtr link_;
    std::string name_;
    std::optional<std::string> body_;
    db::Params params_;
    bool refreshed_ = false;
    Value returnValue_ = Value::MakeNull();
};

class OdbcConnection final : public db::Connection {
public:
    explicit OdbcConnection(LinkPtr link) : link_(std::move(link)) {}

    std::unique_ptr<db::RecordSet> Execute(std::string_view sql, const db::Params& params) override {
        return Query(link_, sql, params);
    }
    std::unique_ptr<db::InsertSet> OpenInsertSet(std::string_view source) override {
        return std::make_unique<OdbcInsertSet>(link_, source);
    }
    std::unique_ptr<db::ProcedureCall> CreateProcedureCall(std::string_view name) override {
        return std::make_unique<OdbcProcedureCall>(link_, std::string(name));
    }

private:
    LinkPtr link_;
};

}  // namespace

std::unique_ptr<db::Connection> OpenConnectionString(const std::string& odbcConnectionString) {
    auto link = std::make_shared<Link>();
    link->env = NewEnvironment();
    link->dbc = std::make_unique<Handle>(SQL_HANDLE_DBC, link->env->get());
    SQLHANDLE dbc = link->dbc->get();
    link->dbc->Check(SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kTimeoutSeconds), 0),
                     "SQLSetConnectAttrW");
    // Not every driver knows this one; the login timeout is what matters.
    SQLSetConnectAttrW(dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(kTimeoutSeconds), 0);
    WString text = Wide(odbcConnectionString);
    if (text.empty()) throw db::detail::DriverError(kSource, "No connection string: the database is not configured");
    if (text.size() > 32767) throw db::detail::DriverError(kSource, "The connection string is too long");
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    {
        // psqlODBC sets the process's locale while it connects, which frees
        // what another thread's connect is reading: one connect at a time.
        static std::mutex connecting;
        const std::lock_guard guard(connecting);
        link->dbc->Check(SQLDriverConnectW(dbc, nullptr, text.data(), static_cast<SQLSMALLINT>(text.size()), out, 1024,
                                           &outLength, SQL_DRIVER_NOPROMPT),
                         "SQLDriverConnectW");
    }
    link->connected = true;
    return std::make_unique<OdbcConnection>(std::move(link));
}

std::vector<std::string> InstalledDrivers() {
    std::vector<std::string> names;
    auto env = NewEnvironment();
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (true) {
        SQLWCHAR description[512] = {};
        SQLWCHAR attributes[2048] = {};
        SQLSMALLINT descriptionLength = 0, attributesLength = 0;
        const SQLRETURN rc = SQLDriversW(env->get(), direction, description, 512, &descriptionLength, attributes, 2048,
                                         &attributesLength);
        if (!SQL_SUCCEEDED(rc)) break;
        names.push_back(
            Narrow(description,
                   std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(descriptionLength, 0)), 511)));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

std::unique_ptr<db::Connection> OpenConnection(const db::ProviderFields& fields, const std::string& odbcDriver) {
    if (!fields.driver.empty()) return OpenConnectionString(fields.text);
    const std::string driver = odbcDriver.empty() ? ChooseSqlServerDriver(InstalledDrivers()) : odbcDriver;
    return OpenConnectionString(SqlServerConnectionString(fields, driver));
}

}  // namespace kv::odbc
