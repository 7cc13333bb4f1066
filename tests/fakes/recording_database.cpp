#include "fakes/recording_database.hpp"

#include <map>
#include <sstream>

namespace kv::fakes {

namespace {

using Log = std::shared_ptr<std::vector<std::string>>;

std::string Line(std::string_view head, const std::vector<std::string>& values) {
    std::string line(head);
    for (std::size_t i = 0; i < values.size(); ++i) line += (i == 0 ? " | " : ", ") + values[i];
    return line;
}

class RecordingInsertSet final : public db::InsertSet {
public:
    RecordingInsertSet(std::unique_ptr<db::InsertSet> inner, std::string source, Log log)
        : inner_(std::move(inner)), source_(std::move(source)), log_(std::move(log)) {}
    void AddNew() override {
        fields_.clear();
        inner_->AddNew();
    }
    void SetField(std::string_view column, const Value& value) override {
        inner_->SetField(column, value);
        fields_.push_back(std::string(column) + "=" + DescribeValue(value));
    }
    void Update() override {
        log_->push_back(Line("INSERT " + source_, fields_));
        inner_->Update();
    }
    int State() const override { return inner_->State(); }
    void Close() override { inner_->Close(); }

private:
    std::unique_ptr<db::InsertSet> inner_;
    std::string source_;
    Log log_;
    std::vector<std::string> fields_;
};

class RecordingProcedureCall final : public db::ProcedureCall {
public:
    RecordingProcedureCall(std::unique_ptr<db::ProcedureCall> inner, std::string name, Log log)
        : inner_(std::move(inner)), name_(std::move(name)), log_(std::move(log)) {}
    void Refresh() override { inner_->Refresh(); }
    void SetParameter(int index, const Value& value) override {
        inner_->SetParameter(index, value);
        parameters_[index] = DescribeValue(value);
    }
    void Execute() override {
        std::vector<std::string> values;
        for (const auto& [index, text] : parameters_) values.push_back(std::to_string(index) + "=" + text);
        log_->push_back(Line("CALL " + name_, values));
        inner_->Execute();
    }
    Value Parameter(int index) const override { return inner_->Parameter(index); }

private:
    std::unique_ptr<db::ProcedureCall> inner_;
    std::string name_;
    Log log_;
    std::map<int, std::string> parameters_;
};

class RecordingConnection final : public db::Connection {
public:
    RecordingConnection(std::unique_ptr<db::Connection> inner, Log log, std::shared_ptr<int> open)
        : inner_(std::move(inner)), log_(std::move(log)), open_(std::move(open)) {
        ++*open_;
    }
    ~RecordingConnection() override { --*open_; }
    RecordingConnection(const RecordingConnection&) = delete;
    RecordingConnection& operator=(const RecordingConnection&) = delete;
    std::unique_ptr<db::RecordSet> Execute(std::string_view sql, const db::Params& params) override {
        std::vector<std::string> values;
        for (const Value& value : params) values.push_back(DescribeValue(value));
        log_->push_back(Line(sql, values));
        return inner_->Execute(sql, params);
    }
    std::unique_ptr<db::InsertSet> OpenInsertSet(std::string_view source) override {
        return std::make_unique<RecordingInsertSet>(inner_->OpenInsertSet(source), std::string(source), log_);
    }
    std::unique_ptr<db::ProcedureCall> CreateProcedureCall(std::string_view name) override {
        return std::make_unique<RecordingProcedureCall>(inner_->CreateProcedureCall(name), std::string(name), log_);
    }

private:
    std::unique_ptr<db::Connection> inner_;
    Log log_;
    std::shared_ptr<int> open_;
};

}  // namespace

std::string DescribeValue(const Value& value) {
    if (value.IsEmpty()) return "Empty";
    if (value.IsNull()) return "NULL";
    if (value.IsText()) return "'" + value.ToText() + "'";
    if (value.IsBool()) return value.AsBool() ? "True" : "False";
    if (value.IsDateTime()) return "#" + value.AsDateTime().ToIso() + "#";
    if (value.IsBytes()) return "<" + std::to_string(value.AsBytes().size()) + " bytes>";
    return value.ToText();
}

std::unique_ptr<db::Connection> RecordingConnector::Open(const db::ProviderFields& connection,
                                                         const std::string& odbcDriver) {
    lastDriver_ = odbcDriver;
    openWhenLastOpened_ = *open_;
    return std::make_unique<RecordingConnection>(inner_.Open(connection, odbcDriver), log_, open_);
}

}  // namespace kv::fakes
