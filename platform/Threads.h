#pragma once
// Threads that end by themselves (a sound being played, a stream connection
// after it was told to stop) are owned by this registry, which joins each one
// once it has finished and joins the rest when it is shut down. Nothing is
// ever left running against freed memory.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

class TThreadRegistry {
public:
    // The body gets a flag that turns true when the registry shuts down.
    using Body = std::function<void(const std::atomic<bool>& stopping)>;

    TThreadRegistry() = default;
    ~TThreadRegistry();
    TThreadRegistry(const TThreadRegistry&) = delete;
    TThreadRegistry& operator=(const TThreadRegistry&) = delete;

    // The registry of the program; shut down when the program ends.
    static TThreadRegistry& Instance();

    // Starts the body on a new thread; also joins threads that have finished.
    void Start(Body body);
    // Number of threads whose body has not returned yet.
    int Running() const;
    // Waits until no body runs, at most timeoutMs; true when none runs.
    bool WaitIdle(int timeoutMs);
    // Sets the stopping flag and joins every thread.
    void Shutdown();

private:
    struct Entry {
        std::thread Thread;
        bool Finished = false;
    };
    void ReapFinished(std::unique_lock<std::mutex>& lock);

    mutable std::mutex FLock;
    std::condition_variable FChanged;
    std::list<Entry> FEntries;
    std::atomic<bool> FStopping{false};
};
