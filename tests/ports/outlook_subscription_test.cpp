// Host event subscriptions: a handler runs while its token lives.
#include <gtest/gtest.h>

#include "ports/outlook/subscription.hpp"

namespace kv::outlook {
namespace {

TEST(OutlookEvent, TokenEndsTheSubscription) {
    Event<int, bool&> event;
    int sum = 0;
    auto token = event.Subscribe([&](int value, bool& cancel) {
        sum += value;
        cancel = true;
    });
    bool cancel = false;
    event.Raise(3, cancel);
    EXPECT_EQ(sum, 3);
    EXPECT_TRUE(cancel);
    {
        Subscription moved = std::move(token);  // moving keeps it
        EXPECT_FALSE(token.Active());           // NOLINT(bugprone-use-after-move): the moved-from token is the point
        event.Raise(4, cancel);
        EXPECT_EQ(sum, 7);
    }
    event.Raise(5, cancel);
    EXPECT_EQ(sum, 7);
    EXPECT_EQ(event.Count(), 0u);
}

TEST(OutlookEvent, HandlersMayUnsubscribeThemselvesWhileRaised) {
    Event<int> event;
    int calls = 0;
    Subscription second;
    auto first = event.Subscribe([&](int) {
        ++calls;
        second.Reset();  // the next handler must not run any more
    });
    second = event.Subscribe([&](int) { calls += 100; });
    event.Raise(1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(event.Count(), 1u);

    // One added while raised runs from the next raise on.
    Subscription late;
    auto adder = event.Subscribe([&](int) {
        if (!late.Active()) late = event.Subscribe([&](int) { calls += 10; });
    });
    event.Raise(1);
    EXPECT_EQ(calls, 2);
    event.Raise(1);
    EXPECT_EQ(calls, 13);
}

TEST(OutlookEvent, TokenOutlivingItsEventIsHarmless) {
    Subscription orphan;
    {
        Event<> shortLived;
        orphan = shortLived.Subscribe([] {});
        EXPECT_TRUE(orphan.Active());
    }
    EXPECT_NO_THROW(orphan.Reset());
    EXPECT_FALSE(orphan.Active());
}

}  // namespace
}  // namespace kv::outlook
