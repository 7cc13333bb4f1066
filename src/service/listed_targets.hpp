#pragma once
// The places a user was found allowed to file into, kept for a short while.
// The check runs the dialog's own list statements, which on a real Korvane
// database read every active resource, and a user files mail after mail into
// the same job: without this each filing would pay for that read again. Only
// what was allowed is kept, so a right granted counts at once and one taken
// away holds for at most the age given.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <tuple>

#include "ports/database.hpp"

namespace kv::service {

class ListedTargets {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit ListedTargets(std::chrono::seconds maxAge, Clock clock = std::chrono::steady_clock::now);

    // As RequireListedTarget: 403 unless the user's lists hold the resource
    // and, for a job, the job. Safe from many requests at once.
    void Require(db::Connection& db, std::int32_t userRessId, std::int32_t ressId, std::int32_t jobId);

private:
    using Target = std::tuple<std::int32_t, std::int32_t, std::int32_t>;  // user, resource, job

    std::chrono::seconds maxAge_;
    Clock clock_;
    std::mutex lock_;
    std::map<Target, std::chrono::steady_clock::time_point> allowedAt_;
};

}  // namespace kv::service
