#pragma once
// Events with any number of listeners. A listener attaches with Connect and
// keeps the returned connection; destroying a TScopedConnection (or calling
// Disconnect) detaches it, in any order and also while the event is being
// fired. A detached listener is never called again, and a connection that
// outlives its event is harmless. Exceptions of a listener pass to the code
// that fired the event (a before-event may so stop an operation); the
// listeners after it are then not called.

#include <QPointer>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QObject;

namespace MulticastDetail {
struct TSlotBase {
    bool Alive = true;
};
} // namespace MulticastDetail

class TEventConnection {
public:
    TEventConnection() = default;
    explicit TEventConnection(std::weak_ptr<MulticastDetail::TSlotBase> slot) : FSlot(std::move(slot)) {}
    void Disconnect()
    {
        if (auto slot = FSlot.lock())
            slot->Alive = false;
        FSlot.reset();
    }
    bool Connected() const
    {
        auto slot = FSlot.lock();
        return slot && slot->Alive;
    }

private:
    std::weak_ptr<MulticastDetail::TSlotBase> FSlot;
};

// A connection that detaches its listener when it goes out of scope.
class TScopedConnection {
public:
    TScopedConnection() = default;
    TScopedConnection(TEventConnection connection) : FConnection(std::move(connection)) {}
    TScopedConnection(TScopedConnection&& other) noexcept : FConnection(std::exchange(other.FConnection, {})) {}
    TScopedConnection& operator=(TScopedConnection&& other) noexcept
    {
        if (this != &other) {
            FConnection.Disconnect();
            FConnection = std::exchange(other.FConnection, {});
        }
        return *this;
    }
    TScopedConnection(const TScopedConnection&) = delete;
    TScopedConnection& operator=(const TScopedConnection&) = delete;
    ~TScopedConnection() { FConnection.Disconnect(); }
    void Disconnect() { FConnection.Disconnect(); }
    bool Connected() const { return FConnection.Connected(); }

private:
    TEventConnection FConnection;
};

template <typename... Args>
class TMulticastEvent {
public:
    using Handler = std::function<void(Args...)>;

    TMulticastEvent() = default;
    TMulticastEvent(const TMulticastEvent&) = delete;
    TMulticastEvent& operator=(const TMulticastEvent&) = delete;

    TEventConnection Connect(Handler handler) { return Add(std::move(handler), nullptr, false); }
    // The listener is also skipped once the context object is destroyed.
    TEventConnection Connect(const QObject* context, Handler handler) { return Add(std::move(handler), context, true); }

    bool Empty() const
    {
        for (const auto& slot : FSlots)
            if (slot->Alive)
                return false;
        return true;
    }

    void operator()(Args... args) const
    {
        if (FSlots.empty())
            return;
        // A copy: listeners may attach or detach while they are called.
        const auto slots = FSlots;
        for (const auto& slot : slots)
            if (slot->Alive && (!slot->HasContext || slot->Context))
                slot->Fn(args...);
    }

private:
    struct TSlot : MulticastDetail::TSlotBase {
        Handler Fn;
        QPointer<const QObject> Context;
        bool HasContext = false;
    };

    TEventConnection Add(Handler handler, const QObject* context, bool hasContext)
    {
        std::erase_if(FSlots, [](const auto& slot) { return !slot->Alive; });
        auto slot = std::make_shared<TSlot>();
        slot->Fn = std::move(handler);
        slot->Context = context;
        slot->HasContext = hasContext;
        FSlots.push_back(slot);
        return TEventConnection(std::weak_ptr<MulticastDetail::TSlotBase>(slot));
    }

    std::vector<std::shared_ptr<TSlot>> FSlots;
};
