#pragma once
// A control event: any number of handlers, raised in the order they were
// subscribed. A handler may subscribe or unsubscribe others while the event
// is being raised; the change takes effect from the next raise. A handler's
// exception ends the raise and reaches whoever raised the event (the view,
// or the code that set a property), as an event handler's error would.
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace kv::ui {

template <class... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    // Returns a token for Unsubscribe.
    std::size_t Subscribe(Handler handler) {
        handlers_.push_back({++lastToken_, std::move(handler)});
        return lastToken_;
    }
    void Unsubscribe(std::size_t token) {
        std::erase_if(handlers_, [token](const Entry& e) { return e.token == token; });
    }
    void Clear() { handlers_.clear(); }
    bool HasHandlers() const { return !handlers_.empty(); }

    void Raise(Args... args) const {
        const auto snapshot = handlers_;
        for (const Entry& e : snapshot) {
            if (e.handler) e.handler(args...);
        }
    }

private:
    struct Entry {
        std::size_t token;
        Handler handler;
    };
    std::vector<Entry> handlers_;
    std::size_t lastToken_ = 0;
};

}  // namespace kv::ui
