#pragma once
// The key set a source trusts now. Lookups take a reference to the whole set
// under a mutex and search it outside, so a new set swapped in by a refresh
// never meets a lookup half way.
#include <memory>
#include <mutex>
#include <string_view>

#include "token/key_source.hpp"

namespace kv::token {

class KeyCache {
public:
    std::shared_ptr<const PublicKey> Find(std::string_view kid) const {
        std::shared_ptr<const KeySet> keys;
        {
            std::lock_guard lock(mutex_);
            keys = keys_;
        }
        auto found = keys->find(kid);
        return found == keys->end() ? nullptr : found->second;
    }

    void Replace(KeySet keys) {
        auto fresh = std::make_shared<const KeySet>(std::move(keys));
        std::lock_guard lock(mutex_);
        keys_ = std::move(fresh);
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const KeySet> keys_ = std::make_shared<const KeySet>();
};

}  // namespace kv::token
