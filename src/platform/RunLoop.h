#pragma once
// A per-thread run loop in place of the platform's: a thread that owns one runs it and does the
// work others perform on it (blocks, event-tap callbacks, display-link frames). The queue keeps
// its storage between rounds, so a steady trickle of work allocates nothing.
#include <functional>
#include <memory>
#include <thread>

namespace platform {

class RunLoop {
public:
    // Something a run loop serves, such as an event tap's port.
    class Source {
    public:
        virtual ~Source() = default;
        virtual void attach(RunLoop& loop) = 0;
        virtual void detach(RunLoop& loop) = 0;
    };

    // The calling thread's run loop, created on first use and kept for the thread's life.
    static RunLoop& current();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    void addSource(std::shared_ptr<Source> source);

    // Queues a block; it runs on the loop's thread after the next wake-up.
    void perform(std::function<void()> block);
    void wakeUp();
    // Runs the block on the loop's thread and waits for it (inline on that thread). False when
    // the loop stopped before running it.
    bool performAndWait(const std::function<void()>& block);

    // Runs until stop(); blocks queued before then run first.
    void run();
    void stop();
    bool isRunning() const;
    bool isCurrent() const;

private:
    RunLoop();
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform
