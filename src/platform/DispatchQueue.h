#pragma once
// Serial queues and the main queue, in place of the platform's dispatch queues.
#include <functional>
#include <memory>
#include <string>

namespace platform {

class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue(); // runs what is queued, then joins
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(std::function<void()> work);
    void sync(const std::function<void()>& work); // runs inline when called on this queue
    void drain();                                 // waits until everything queued so far ran
    bool isCurrent() const;
    const std::string& label() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Names the calling thread (the platform keeps 15 characters).
void setThreadName(const std::string& name);

namespace mainQueue {
bool isCurrent();
void async(std::function<void()> work);
// Runs on the main thread and waits; inline when already there.
void sync(const std::function<void()>& work);
// Runs on the main thread once `seconds` have passed on the shared clock (virtual in tests).
// Called on the main thread; what is scheduled lives until it has run.
void asyncAfter(double seconds, std::function<void()> work);
} // namespace mainQueue

} // namespace platform
