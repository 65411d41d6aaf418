#include "platform/audio/timer.h"

#include <chrono>

namespace audio {

PeriodicTimer::~PeriodicTimer() { Stop(); }

bool PeriodicTimer::Start(uint32_t periodMs, Callback callback) {
    std::lock_guard<std::mutex> hold(lock_);
    // Also refused while a Stop is still waiting for the old thread.
    if (thread_.joinable() || stopping_) return false;
    if (periodMs == 0) periodMs = 1;
    thread_ = std::thread([this, periodMs, cb = std::move(callback)]() mutable { Run(periodMs, std::move(cb)); });
    return true;
}

void PeriodicTimer::Run(uint32_t periodMs, Callback callback) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(periodMs);
    auto next = Clock::now() + period;
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        if (wake_.wait_until(hold, next, [this] { return stopping_; })) return;
        hold.unlock();
        if (callback) callback();
        hold.lock();
        // A late tick is not made up for with a burst of calls.
        next += period;
        auto now = Clock::now();
        if (next < now) next = now + period;
    }
}

bool PeriodicTimer::Stop() {
    std::thread ending;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!thread_.joinable()) return true;
        if (thread_.get_id() == std::this_thread::get_id()) return false;
        stopping_ = true;
        ending = std::move(thread_);
    }
    wake_.notify_all();
    ending.join();
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = false;
    return true;
}

bool PeriodicTimer::IsRunning() const {
    std::lock_guard<std::mutex> hold(lock_);
    return thread_.joinable();
}

bool PeriodicTimer::OnTimerThread() const {
    std::lock_guard<std::mutex> hold(lock_);
    return thread_.joinable() && thread_.get_id() == std::this_thread::get_id();
}

}  // namespace audio
