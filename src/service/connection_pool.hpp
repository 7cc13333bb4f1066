#pragma once
// Database connections a request leaves behind for the next one. Opening
// costs a server round trip (ODBC), and the last SQLite connection to close
// writes its log back into the database file; a connection kept open spares
// both. Each connection serves one request at a time.
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "ports/database.hpp"

namespace kv::service {

class ConnectionPool {
public:
    explicit ConnectionPool(std::size_t maxIdle) : maxIdle_(maxIdle) {}

    // The connection given back last; null when none is idle.
    std::unique_ptr<db::Connection> Take();
    // Kept for the next request while fewer than maxIdle are idle.
    void Give(std::unique_ptr<db::Connection> connection);

private:
    std::mutex lock_;
    std::vector<std::unique_ptr<db::Connection>> idle_;
    std::size_t maxIdle_;
};

}  // namespace kv::service
