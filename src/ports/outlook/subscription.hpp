#pragma once
// Host events are subscriptions: a handler stays connected while its token
// lives, and releasing the token ends it (also when the source is gone first).
// The source keeps the handler, so a handler that holds its own source
// strongly keeps both alive until the token is released.
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kv::outlook {

class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    ~Subscription() { Reset(); }
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            Reset();
            cancel_ = std::exchange(other.cancel_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    bool Active() const { return static_cast<bool>(cancel_); }
    void Reset() {
        if (auto cancel = std::exchange(cancel_, nullptr)) cancel();
    }

private:
    std::function<void()> cancel_;
};

// The source side, for adapters and fakes. Handlers may subscribe or
// unsubscribe while the event is raised: a handler released during Raise is
// not called any more, one added during Raise is called from the next Raise on.
template <class... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    Subscription Subscribe(Handler handler) {
        auto id = ++list_->lastId;
        list_->entries.push_back({id, std::make_shared<Handler>(std::move(handler))});
        std::weak_ptr<List> weak = list_;
        return Subscription([weak, id] {
            if (auto list = weak.lock()) std::erase_if(list->entries, [id](const Entry& e) { return e.id == id; });
        });
    }

    void Raise(Args... args) const {
        auto snapshot = list_->entries;
        for (const auto& entry : snapshot) {
            if (IsSubscribed(entry.id)) (*entry.handler)(args...);
        }
    }

    std::size_t Count() const { return list_->entries.size(); }

private:
    struct Entry {
        std::uint64_t id;
        std::shared_ptr<Handler> handler;
    };
    struct List {
        std::uint64_t lastId = 0;
        std::vector<Entry> entries;
    };
    bool IsSubscribed(std::uint64_t id) const {
        for (const auto& e : list_->entries)
            if (e.id == id) return true;
        return false;
    }
    std::shared_ptr<List> list_ = std::make_shared<List>();
};

}  // namespace kv::outlook
