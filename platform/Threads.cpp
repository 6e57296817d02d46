#include "platform/Threads.h"

#include <chrono>
#include <vector>

TThreadRegistry::~TThreadRegistry()
{
    Shutdown();
}

TThreadRegistry& TThreadRegistry::Instance()
{
    static TThreadRegistry registry;
    return registry;
}

void TThreadRegistry::Start(Body body)
{
    std::unique_lock lock(FLock);
    ReapFinished(lock);
    FEntries.emplace_back();
    Entry* entry = &FEntries.back();
    entry->Thread = std::thread([this, entry, body = std::move(body)] {
        body(FStopping);
        const std::lock_guard guard(FLock);
        entry->Finished = true;
        FChanged.notify_all();
    });
}

int TThreadRegistry::Running() const
{
    const std::lock_guard lock(FLock);
    int count = 0;
    for (const Entry& entry : FEntries)
        count += entry.Finished ? 0 : 1;
    return count;
}

bool TThreadRegistry::WaitIdle(int timeoutMs)
{
    std::unique_lock lock(FLock);
    const bool idle = FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        for (const Entry& entry : FEntries)
            if (!entry.Finished)
                return false;
        return true;
    });
    ReapFinished(lock);
    return idle;
}

void TThreadRegistry::ReapFinished(std::unique_lock<std::mutex>& lock)
{
    std::vector<std::thread> done;
    for (auto it = FEntries.begin(); it != FEntries.end();) {
        if (it->Finished) {
            done.push_back(std::move(it->Thread));
            it = FEntries.erase(it);
        } else {
            ++it;
        }
    }
    // A finished body only has its last lock release left: join outside the lock.
    lock.unlock();
    for (std::thread& thread : done)
        thread.join();
    lock.lock();
}

void TThreadRegistry::Shutdown()
{
    FStopping = true;
    std::list<Entry> all;
    {
        const std::lock_guard lock(FLock);
        all.swap(FEntries);
    }
    for (Entry& entry : all)
        if (entry.Thread.joinable())
            entry.Thread.join();
    FStopping = false;
}
