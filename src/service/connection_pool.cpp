#include "service/connection_pool.hpp"

namespace kv::service {

std::unique_ptr<db::Connection> ConnectionPool::Take() {
    const std::lock_guard guard(lock_);
    if (idle_.empty()) return nullptr;
    std::unique_ptr<db::Connection> connection = std::move(idle_.back());
    idle_.pop_back();
    return connection;
}

void ConnectionPool::Give(std::unique_ptr<db::Connection> connection) {
    if (!connection) return;
    const std::lock_guard guard(lock_);
    if (idle_.size() < maxIdle_) idle_.push_back(std::move(connection));
}

}  // namespace kv::service
