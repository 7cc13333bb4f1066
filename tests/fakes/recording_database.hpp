#pragma once
// A database connector that hands out the wrapped connector's connections
// and writes down every statement they receive, in order, as one line each:
//   query:     "<sql text>" followed by " | " and the bound values, if any
//   insert:    "INSERT <source> | Column=value, ..." when the row is stored
//   procedure: "CALL <name> | 1=value, ..." when it is executed
// Values are written as 'text', 42, 1.5, True, NULL, #2024-03-05T14:07:09#,
// so a test can pin exactly what the database was asked.
#include <memory>
#include <string>
#include <vector>

#include "ports/database.hpp"

namespace kv::fakes {

std::string DescribeValue(const Value& value);

class RecordingConnector final : public db::DatabaseConnector {
public:
    explicit RecordingConnector(db::DatabaseConnector& inner) : inner_(inner) {}
    std::unique_ptr<db::Connection> Open(const db::ProviderFields& connection, const std::string& odbcDriver) override;

    // Every statement since the connector was made or last cleared.
    const std::vector<std::string>& Statements() const { return *log_; }
    void Clear() { log_->clear(); }
    // The ODBC driver the last connection was opened with.
    const std::string& LastDriver() const { return lastDriver_; }
    // How many of its connections were still open when the last one was asked for.
    int OpenWhenLastOpened() const { return openWhenLastOpened_; }

private:
    db::DatabaseConnector& inner_;
    std::string lastDriver_;
    int openWhenLastOpened_ = 0;
    std::shared_ptr<int> open_ = std::make_shared<int>(0);
    std::shared_ptr<std::vector<std::string>> log_ = std::make_shared<std::vector<std::string>>();
};

}  // namespace kv::fakes
