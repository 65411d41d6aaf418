// The periodic timer behind the music refill. Waits are bounded only to keep a broken timer
// from hanging the run; nothing here depends on how fast the machine is.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/audio/timer.h"

namespace {

// Waits until `done` holds, for at most ten seconds.
template <typename Pred>
bool Eventually(Pred done) {
    for (int i = 0; i < 10000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

}  // namespace

TEST(AudioTimerTest, CallsBackUntilStoppedAndNeverAfter) {
    audio::PeriodicTimer timer;
    std::atomic<int> calls{0};
    std::atomic<bool> onOwnThread{false};
    ASSERT_TRUE(timer.Start(1, [&] {
        onOwnThread = timer.OnTimerThread();
        ++calls;
    }));
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_FALSE(timer.OnTimerThread());
    ASSERT_TRUE(Eventually([&] { return calls >= 3; }));
    EXPECT_TRUE(onOwnThread);
    EXPECT_TRUE(timer.Stop());
    EXPECT_FALSE(timer.IsRunning());
    int after = calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(calls, after);
    EXPECT_TRUE(timer.Stop());   // not running: nothing to do
}

TEST(AudioTimerTest, StartsOnceAndAgainAfterAStop) {
    audio::PeriodicTimer timer;
    std::atomic<int> first{0}, second{0};
    ASSERT_TRUE(timer.Start(1, [&] { ++first; }));
    EXPECT_FALSE(timer.Start(1, [&] { ++second; }));
    ASSERT_TRUE(Eventually([&] { return first >= 1; }));
    ASSERT_TRUE(timer.Stop());
    ASSERT_TRUE(timer.Start(1, [&] { ++second; }));
    ASSERT_TRUE(Eventually([&] { return second >= 1; }));
}

TEST(AudioTimerTest, ACallbackCannotStopItsOwnTimer) {
    audio::PeriodicTimer timer;
    std::atomic<int> refused{0}, calls{0};
    ASSERT_TRUE(timer.Start(1, [&] {
        if (!timer.Stop()) ++refused;
        ++calls;
    }));
    ASSERT_TRUE(Eventually([&] { return calls >= 2; }));
    EXPECT_EQ(refused, calls);
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_TRUE(timer.Stop());
}

TEST(AudioTimerTest, StopWakesALongPeriodAtOnceAndTheDestructorStops) {
    std::atomic<int> calls{0};
    {
        audio::PeriodicTimer timer;
        ASSERT_TRUE(timer.Start(3600 * 1000, [&] { ++calls; }));
        EXPECT_TRUE(timer.Stop());
        ASSERT_TRUE(timer.Start(3600 * 1000, [&] { ++calls; }));
    }
    EXPECT_EQ(calls, 0);
}
