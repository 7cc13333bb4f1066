// What one imported mail costs the database: the duplicate query, the
// DocMailImport row and the DocMailImportExec call, on the small demo
// database. Reported as mails per second and database round trips per mail.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>

#include "adapters/sqlite/demo_database.hpp"
#include "adapters/sqlite/sqlite_database.hpp"
#include "fakes/temp_dir.hpp"
#ifdef KV_HAVE_ODBC
#include "adapters/odbc/odbc_database.hpp"
#endif

namespace {

using kv::Value;
namespace db = kv::db;

// Counts every call that reaches the database driver.
struct RoundTrips {
    std::int64_t count = 0;
};

class CountingInsertSet final : public db::InsertSet {
public:
    CountingInsertSet(std::unique_ptr<db::InsertSet> inner, RoundTrips& trips)
        : inner_(std::move(inner)), trips_(trips) {}
    void AddNew() override { inner_->AddNew(); }
    void SetField(std::string_view column, const Value& value) override { inner_->SetField(column, value); }
    void Update() override {
        ++trips_.count;
        inner_->Update();
    }
    int State() const override { return inner_->State(); }
    void Close() override { inner_->Close(); }

private:
    std::unique_ptr<db::InsertSet> inner_;
    RoundTrips& trips_;
};

class CountingProcedureCall final : public db::ProcedureCall {
public:
    CountingProcedureCall(std::unique_ptr<db::ProcedureCall> inner, RoundTrips& trips)
        : inner_(std::move(inner)), trips_(trips) {}
    void Refresh() override {
        ++trips_.count;
        inner_->Refresh();
    }
    void SetParameter(int index, const Value& value) override { inner_->SetParameter(index, value); }
    void Execute() override {
        ++trips_.count;
        inner_->Execute();
    }
    Value Parameter(int index) const override { return inner_->Parameter(index); }

private:
    std::unique_ptr<db::ProcedureCall> inner_;
    RoundTrips& trips_;
};

class CountingConnection final : public db::Connection {
public:
    CountingConnection(std::unique_ptr<db::Connection> inner, RoundTrips& trips)
        : inner_(std::move(inner)), trips_(trips) {}
    std::unique_ptr<db::RecordSet> Execute(std::string_view sql, const db::Params& params) override {
        ++trips_.count;
        return inner_->Execute(sql, params);
    }
    std::unique_ptr<db::InsertSet> OpenInsertSet(std::string_view source) override {
        ++trips_.count;  // the source query
        return std::make_unique<CountingInsertSet>(inner_->OpenInsertSet(source), trips_);
    }
    std::unique_ptr<db::ProcedureCall> CreateProcedureCall(std::string_view name) override {
        return std::make_unique<CountingProcedureCall>(inner_->CreateProcedureCall(name), trips_);
    }

private:
    std::unique_ptr<db::Connection> inner_;
    RoundTrips& trips_;
};

// The database work of importing one mail, as the import does it.
bool ImportOneMail(db::Connection& cn, std::int32_t ordId, std::int32_t jobId, const kv::DateTime& received) {
    const std::string sender = "Bøgh & Søn's salg [salg@boegh.dk]";
    const std::string subject = "Re_ Tilbud på tag " + std::to_string(ordId);
    auto dup = cn.Execute(
        " SELECT JobDoc.DocId FROM JobDoc Inner Join DocMail on JobDoc.Docid=DocMail.DocID "
        " WHERE Sender=?  AND Subject=?  AND Recieved=? AND JobDoc.jobID=" +
            std::to_string(jobId),
        {sender, subject, received});
    const bool known = !dup->EndOfFile();
    dup->Close();
    benchmark::DoNotOptimize(known);

    auto set = cn.OpenInsertSet("SELECT * FROM DocMailImport WHERE ImpId = -1 ");
    set->AddNew();
    set->SetField("DocTitle", subject);
    set->SetField("DocAuthorId", kv::sqlite::demo::UserRessId);
    set->SetField("ResId", kv::sqlite::demo::CustomerWithJobs);
    set->SetField("JobId", jobId);
    set->SetField("DocDate", kv::DateTime{2024, 3, 5, 14, 7, 9});
    set->SetField("FExt", "msg");
    set->SetField("FSize", 48213.0);
    set->SetField("FName", subject + ".msg");
    set->SetField("IconID", std::int32_t{34});
    set->SetField("Subject", subject);
    set->SetField("Sender", sender);
    set->SetField("Received", received);
    set->SetField("Attachments", std::int32_t{1});
    set->SetField("Importance", std::int32_t{1});
    set->SetField("mailto", "ole@example.dk");
    set->SetField("mailcc", Value::MakeNull());
    set->SetField("mailbcc", Value::MakeNull());
    set->SetField("Body", std::string(2000, 'x'));
    set->SetField("OrdId", ordId);
    set->Update();
    set->Close();

    auto call = cn.CreateProcedureCall("DocMailImportExec");
    call->Refresh();
    call->SetParameter(1, ordId);
    call->Execute();
    return call->Parameter(0) == Value(std::int32_t{0});
}

void RunImport(benchmark::State& state,
               const std::function<std::unique_ptr<db::Connection>(const std::string&)>& open) {
    kv::fakes::TempDir dir("kvbench");
    kv::sqlite::CreateDemoDatabase(dir / "korvane.db", kv::sqlite::DemoSize::Small, dir / "docs");
    RoundTrips trips;
    std::unique_ptr<db::Connection> inner;
    try {
        inner = open(dir / "korvane.db");
    } catch (const kv::Error& e) {
        state.SkipWithError(e.Description().c_str());
        return;
    }
    CountingConnection cn(std::move(inner), trips);
    std::int32_t ordId = 1;
    for (auto _ : state) {
        if (!ImportOneMail(cn, ordId, kv::sqlite::demo::ActiveJob, kv::DateTime{2024, 3, 5, 14, 7, ordId % 60})) {
            state.SkipWithError("DocMailImportExec did not return 0");
            return;
        }
        ++ordId;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["round_trips_per_mail"] = benchmark::Counter(
        static_cast<double>(trips.count) / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1)));
}

void BM_ImportMail_Sqlite(benchmark::State& state) {
    RunImport(state, [](const std::string& path) { return kv::sqlite::OpenDatabase(path); });
}
BENCHMARK(BM_ImportMail_Sqlite)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same file through the SQLite ODBC driver, for the cost of the ODBC
// layer itself. There is no procedure there, so only the first two steps.
#ifdef KV_HAVE_ODBC
void BM_DuplicateQueryAndInsert_SqliteOdbc(benchmark::State& state) {
    kv::fakes::TempDir dir("kvbench");
    kv::sqlite::CreateDemoDatabase(dir / "korvane.db", kv::sqlite::DemoSize::Small, dir / "docs");
    std::unique_ptr<db::Connection> cn;
    try {
        cn = kv::odbc::OpenConnectionString("Driver=SQLite3;Database=" + (dir / "korvane.db") + ";NoCreat=1");
    } catch (const kv::Error& e) {
        state.SkipWithError(e.Description().c_str());
        return;
    }
    std::int32_t ordId = 1;
    for (auto _ : state) {
        auto dup = cn->Execute(
            " SELECT JobDoc.DocId FROM JobDoc Inner Join DocMail on JobDoc.Docid=DocMail.DocID "
            " WHERE Sender=?  AND Subject=?  AND Recieved=? AND JobDoc.jobID=417",
            {"Salg", "Tilbud", kv::DateTime{2024, 3, 5, 14, 7, 9}});
        benchmark::DoNotOptimize(dup->EndOfFile());
        dup->Close();
        auto set = cn->OpenInsertSet("SELECT * FROM DocMailImport WHERE ImpId = -1 ");
        set->AddNew();
        set->SetField("Subject", "Tilbud");
        set->SetField("Received", kv::DateTime{2024, 3, 5, 14, 7, 9});
        set->SetField("Body", std::string(2000, 'x'));
        set->SetField("OrdId", ordId++);
        set->Update();
        set->Close();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DuplicateQueryAndInsert_SqliteOdbc)->Unit(benchmark::kMicrosecond)->UseRealTime();
#endif

// The dialog's largest list: every customer the user may see, large demo.
void BM_CustomerList_Large(benchmark::State& state) {
    kv::fakes::TempDir dir("kvbench");
    kv::sqlite::CreateDemoDatabase(dir / "large.db", kv::sqlite::DemoSize::Large, dir / "docs");
    auto cn = kv::sqlite::OpenDatabase(dir / "large.db");
    std::int64_t rows = 0;
    for (auto _ : state) {
        auto rs = cn->Execute(
            " SELECT RessID, RessNavn, RessTypeID FROM Ress        INNER JOIN ResAccess           ON Ress.RessID = "
            "ResAccess.CustId  WHERE NOT mFldID IS NULL  AND NOT RessFld IS NULL  AND RessFld <> ''  AND RessAktiv=1 "
            " AND RessTypeID = 3 AND ResAccess.AccessLevel = 1  AND ResAccess.Display = 1  AND ResAccess.ResId = 1 "
            " ORDER BY RessTypeID, RessNavn ");
        for (; !rs->EndOfFile(); rs->MoveNext()) {
            benchmark::DoNotOptimize(rs->Field("RessNavn"));
            ++rows;
        }
    }
    state.SetItemsProcessed(rows);
}
BENCHMARK(BM_CustomerList_Large)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
