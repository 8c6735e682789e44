// Signal and Subscription: delivery order, what a listener may do to the
// listeners while an event is being delivered (connect, disconnect, destroy a
// subscription, emit again), and how long a subscription holds.

#include "base/signal.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zef {
namespace {

// One scripted deed of a listener: when `listener` hears `value` it does
// `kind` to `target` (a listener name, or the value to emit).
struct Deed {
    char listener;
    int value;
    enum Kind { Reset, Destroy, Connect, Emit } kind;
    int target;
};

struct Scenario {
    const char* name;
    std::string listeners;  // connected in this order before the first emit
    std::vector<Deed> deeds;
    std::vector<int> emits;
    std::string heard;  // "a1 b1 ..." in the order the listeners were called
};

// Runs a scenario on a Signal<int> whose listeners log "<name><value> ".
class Stage {
public:
    explicit Stage(const Scenario& s) : scenario_(s) {
        for (const char name : s.listeners) Connect(name);
        for (const int v : s.emits) signal_.Emit(v);
    }
    const std::string& heard() const { return heard_; }

private:
    void Connect(char name) {
        subscriptions_[name] = signal_.Connect([this, name](int v) { Hear(name, v); });
    }
    void Hear(char name, int value) {
        heard_ += name + std::to_string(value) + " ";
        for (const Deed& d : scenario_.deeds) {
            if (d.listener != name || d.value != value) continue;
            const char target = static_cast<char>(d.target);
            switch (d.kind) {
                case Deed::Reset:
                    subscriptions_[target].Reset();
                    break;
                case Deed::Destroy:
                    subscriptions_.erase(target);
                    break;
                case Deed::Connect:
                    Connect(target);
                    break;
                case Deed::Emit:
                    signal_.Emit(d.target);
                    break;
            }
        }
    }

    const Scenario& scenario_;
    Signal<int> signal_;
    std::map<char, Subscription> subscriptions_;
    std::string heard_;
};

TEST(Signal, ListenersMayChangeTheListenersWhileAnEventIsDelivered) {
    using D = Deed;
    // clang-format off
    const Scenario scenarios[] = {
        {"every listener in connection order",
         "abc", {}, {1, 2}, "a1 b1 c1 a2 b2 c2 "},
        {"a later listener reset during delivery is not called",
         "abc", {{'a', 1, D::Reset, 'c'}}, {1, 2}, "a1 b1 a2 b2 "},
        {"a later listener's subscription destroyed during delivery",
         "abc", {{'b', 1, D::Destroy, 'c'}}, {1, 2}, "a1 b1 a2 b2 "},
        {"an earlier listener reset during delivery misses the next event",
         "abc", {{'b', 1, D::Reset, 'a'}}, {1, 2}, "a1 b1 c1 b2 c2 "},
        {"a listener resets itself",
         "abc", {{'b', 1, D::Reset, 'b'}}, {1, 2}, "a1 b1 c1 a2 c2 "},
        {"a listener destroys its own subscription",
         "abc", {{'c', 1, D::Destroy, 'c'}}, {1, 2}, "a1 b1 c1 a2 b2 "},
        {"a listener connected during delivery hears the next event",
         "ab", {{'a', 1, D::Connect, 'd'}}, {1, 2}, "a1 b1 a2 b2 d2 "},
        {"a listener connected by the last one hears the next event",
         "ab", {{'b', 1, D::Connect, 'd'}}, {1, 2}, "a1 b1 a2 b2 d2 "},
        {"connected then reset during the same delivery: never heard",
         "ab", {{'a', 1, D::Connect, 'd'}, {'b', 1, D::Reset, 'd'}}, {1, 2}, "a1 b1 a2 b2 "},
        {"a nested emit reaches everyone before the outer one goes on",
         "abc", {{'a', 1, D::Emit, 2}}, {1}, "a1 a2 b2 c2 b1 c1 "},
        {"a listener reset in a nested emit is skipped by the outer one",
         "abc", {{'a', 1, D::Emit, 2}, {'b', 2, D::Reset, 'c'}}, {1, 3}, "a1 a2 b2 b1 a3 b3 "},
        {"the emitting listener resets itself inside the nested emit",
         "abc", {{'b', 1, D::Emit, 2}, {'b', 2, D::Reset, 'b'}}, {1, 3}, "a1 b1 a2 b2 c2 c1 a3 c3 "},
        {"a listener connected before a nested emit hears it",
         "abc", {{'a', 1, D::Connect, 'd'}, {'b', 1, D::Emit, 2}}, {1}, "a1 b1 a2 b2 c2 d2 c1 "},
        {"emits nested two deep",
         "ab", {{'a', 1, D::Emit, 2}, {'b', 2, D::Emit, 3}}, {1}, "a1 a2 b2 a3 b3 b1 "},
    };
    // clang-format on
    for (const Scenario& s : scenarios) EXPECT_EQ(Stage(s).heard(), s.heard) << s.name;
}

// A listener that disconnects itself is still whole until it returns, and
// is released once the delivery is over.
TEST(Signal, ASelfDisconnectingListenerLivesUntilItReturns) {
    struct Witness {
        explicit Witness(bool* flag) : destroyed(flag) {}
        ~Witness() { *destroyed = true; }
        bool* destroyed;
    };
    bool destroyed = false;
    bool aliveAfterReset = false;
    Signal<> signal;
    Subscription s;
    s = signal.Connect([&s, &destroyed, &aliveAfterReset, w = std::make_shared<Witness>(&destroyed)] {
        s.Reset();
        aliveAfterReset = !destroyed && w->destroyed == &destroyed;
    });
    signal.Emit();
    EXPECT_TRUE(aliveAfterReset);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(signal.listenerCount(), 0u);
}

TEST(Signal, ArgumentsReachEveryListener) {
    Signal<int, const std::string&> signal;
    std::vector<std::string> heard;
    Subscription a =
        signal.Connect([&](int n, const std::string& t) { heard.push_back("a" + t + std::to_string(n)); });
    Subscription b =
        signal.Connect([&](int n, const std::string& t) { heard.push_back("b" + t + std::to_string(n)); });
    signal.Emit(7, "x");
    signal.Emit(-1, "");
    EXPECT_EQ(heard, (std::vector<std::string>{"ax7", "bx7", "a-1", "b-1"}));
}

TEST(Signal, AKeyedListenerHearsOnlyItsKeysEventsWithoutTheKey) {
    Signal<int, const std::string&> signal;
    std::vector<std::string> heard;
    Subscription two = ConnectWhere(signal, 2, [&](const std::string& t) { heard.push_back("two " + t); });
    Subscription three = ConnectWhere(signal, 3, [&](const std::string& t) { heard.push_back("three " + t); });
    for (const auto& [key, text] : {std::pair{1, "a"}, {2, "b"}, {3, "c"}, {2, "d"}}) signal.Emit(key, text);
    EXPECT_EQ(heard, (std::vector<std::string>{"two b", "three c", "two d"}));
    two.Reset();
    signal.Emit(2, "e");
    EXPECT_EQ(heard.size(), 3u);
}

TEST(Subscription, DisconnectsExactlyItsOwnListenerOnce) {
    Signal<> signal;
    int a = 0, b = 0;
    const auto count = [](int& n) { return [&n] { ++n; }; };
    Subscription sa = signal.Connect(count(a));
    Subscription sb = signal.Connect(count(b));
    EXPECT_TRUE(sa.connected());
    EXPECT_EQ(signal.listenerCount(), 2u);

    sa.Reset();
    EXPECT_FALSE(sa.connected());
    sa.Reset();  // harmless
    signal.Emit();
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(signal.listenerCount(), 1u);

    // The same function connected twice is two listeners.
    const auto both = count(a);
    Subscription first = signal.Connect(both);
    Subscription second = signal.Connect(both);
    signal.Emit();
    EXPECT_EQ(a, 2);
    first.Reset();
    signal.Emit();
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 3);
}

TEST(Subscription, MovesCarryTheConnection) {
    Signal<> signal;
    int a = 0, b = 0;
    Subscription moved = signal.Connect([&a] { ++a; });
    Subscription owner(std::move(moved));
    EXPECT_FALSE(moved.connected());  // a moved-from subscription is empty
    moved.Reset();                    // and must not disconnect the listener it gave away
    signal.Emit();
    EXPECT_EQ(a, 1);

    // Assigning over a connected subscription disconnects what it held.
    owner = signal.Connect([&b] { ++b; });
    signal.Emit();
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(signal.listenerCount(), 1u);

    Subscription& same = owner;
    owner = std::move(same);  // onto itself: still connected
    signal.Emit();
    EXPECT_EQ(b, 2);

    { const Subscription scoped = std::move(owner); }  // destroyed: disconnected
    signal.Emit();
    EXPECT_EQ(b, 2);
    EXPECT_EQ(signal.listenerCount(), 0u);
}

TEST(Subscription, MayOutliveItsSignal) {
    int heard = 0;
    Subscription kept;
    std::optional<Subscription> destroyedLater;
    {
        Signal<> signal;
        kept = signal.Connect([&heard] { ++heard; });
        destroyedLater = signal.Connect([&heard] { ++heard; });
        signal.Emit();
    }
    EXPECT_EQ(heard, 2);
    kept.Reset();  // the signal is gone: nothing to do, nothing to crash
    destroyedLater.reset();
    EXPECT_FALSE(kept.connected());
}

}  // namespace
}  // namespace zef
