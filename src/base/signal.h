#pragma once
// Events with any number of listeners, without Qt.
//
//   Signal<DeviceSlot> onlineChanged;
//   Subscription s = onlineChanged.Connect([](DeviceSlot slot) { ... });
//   onlineChanged.Emit(3);            // every connected listener, in order
//
// A Subscription disconnects its listener when it is destroyed (or on
// Reset), so a window that subscribes in its constructor and keeps the
// Subscription as a member never outlives its listener. Listeners may
// connect or disconnect listeners, their own included, while an event is
// being delivered: a listener disconnected during delivery is not called
// afterwards; one connected during delivery hears the next event. Single
// thread: emit and connect on the thread that owns the signal.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace zef {

class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
    Subscription(Subscription&& other) noexcept : disconnect_(std::exchange(other.disconnect_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            Reset();
            disconnect_ = std::exchange(other.disconnect_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { Reset(); }

    // Disconnects now; harmless when already disconnected.
    void Reset() {
        if (auto d = std::exchange(disconnect_, {})) d();
    }
    bool connected() const { return static_cast<bool>(disconnect_); }

private:
    std::function<void()> disconnect_;
};

template <typename... Args>
class Signal {
public:
    using Listener = std::function<void(Args...)>;

    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Subscription Connect(Listener listener) {
        const std::uint64_t id = ++state_->nextId;
        state_->listeners.push_back({id, std::make_shared<Listener>(std::move(listener))});
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (auto state = weak.lock()) {
                auto& l = state->listeners;
                l.erase(std::remove_if(l.begin(), l.end(), [id](const Entry& e) { return e.id == id; }), l.end());
            }
        });
    }

    void Emit(Args... args) const {
        const std::vector<Entry> snapshot = state_->listeners;
        for (const Entry& e : snapshot) {
            if (!Connected(e.id)) continue;
            (*e.listener)(args...);
        }
    }

    std::size_t listenerCount() const { return state_->listeners.size(); }

private:
    struct Entry {
        std::uint64_t id;
        std::shared_ptr<Listener> listener;
    };
    struct State {
        std::vector<Entry> listeners;
        std::uint64_t nextId = 0;
    };

    bool Connected(std::uint64_t id) const {
        const auto& l = state_->listeners;
        return std::any_of(l.begin(), l.end(), [id](const Entry& e) { return e.id == id; });
    }

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Connects `listener` to the events of `signal` whose first argument equals
// `key` (a device slot, say); the listener receives the other arguments.
template <typename Key, typename... Rest, typename Listener>
[[nodiscard]] Subscription ConnectWhere(Signal<Key, Rest...>& signal, std::type_identity_t<Key> key,
                                        Listener listener) {
    return signal.Connect([key, listener = std::move(listener)](Key k, Rest... rest) {
        if (k == key) listener(rest...);
    });
}

}  // namespace zef
