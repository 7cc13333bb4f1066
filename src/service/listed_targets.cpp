#include "service/listed_targets.hpp"

#include "service/user_catalog.hpp"

namespace kv::service {

namespace {

// Far more than the users of one office file into within the age; past it
// everything is forgotten at once rather than kept growing.
constexpr std::size_t kMaxTargets = 100000;

}  // namespace

ListedTargets::ListedTargets(std::chrono::seconds maxAge, Clock clock) : maxAge_(maxAge), clock_(std::move(clock)) {}

void ListedTargets::Require(db::Connection& db, std::int32_t userRessId, std::int32_t ressId, std::int32_t jobId) {
    const Target target{userRessId, ressId, jobId};
    {
        std::lock_guard guard(lock_);
        const auto found = allowedAt_.find(target);
        if (found != allowedAt_.end() && clock_() - found->second < maxAge_) return;
    }
    RequireListedTarget(db, userRessId, ressId, jobId);  // refuses with 403
    std::lock_guard guard(lock_);
    if (allowedAt_.size() >= kMaxTargets) allowedAt_.clear();
    allowedAt_[target] = clock_();
}

}  // namespace kv::service
