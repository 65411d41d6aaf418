// A periodic timer on its own thread, for refilling streamed sound while it plays.
// Started and stopped by its owner; the callback may not stop or destroy its own timer (Stop
// refuses from the timer's thread rather than wait for itself).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace audio {

class PeriodicTimer {
public:
    using Callback = std::function<void()>;

    PeriodicTimer() = default;
    // Stops the thread. Must not run on the timer's own thread.
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Calls `callback` every `periodMs` (at least 1) from a new thread, the first time one
    // period from now. False when already running.
    bool Start(uint32_t periodMs, Callback callback);
    // Returns once the thread has ended, so the callback is not running and will not run again.
    // False, doing nothing, when called from the callback itself. True when not running.
    bool Stop();
    bool IsRunning() const;
    // True on the timer's own thread.
    bool OnTimerThread() const;

private:
    void Run(uint32_t periodMs, Callback callback);

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::thread thread_;
    bool stopping_ = false;
};

}  // namespace audio
