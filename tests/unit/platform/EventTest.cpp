#include "platform/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::CEvent;

TEST(Event, OneSetIsConsumedByOneWait) {
    CEvent event;
    event.Set();
    event.Set();  // not counted: still one signal
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, WaitTimesOutWhenNothingSetsIt) {
    CEvent event;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.Wait(50));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(Event, SetFromAnotherThreadEndsAnUnlimitedWait) {
    CEvent event;
    std::thread setter([&event] {
        std::this_thread::sleep_for(20ms);
        event.Set();
    });
    EXPECT_TRUE(event.Wait(platform::kWaitInfinite));
    setter.join();
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, EachSetReleasesOneOfTwoWaiters) {
    CEvent event;
    std::atomic<int> woken = 0;
    auto waiter = [&] {
        if (event.Wait(platform::kWaitInfinite)) {
            ++woken;
        }
    };
    std::thread first(waiter);
    std::thread second(waiter);

    event.Set();
    for (int i = 0; i < 500 && woken == 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(50ms);  // time for a wrong second wake-up to show
    EXPECT_EQ(woken, 1);

    event.Set();
    first.join();
    second.join();
    EXPECT_EQ(woken, 2);
}

}  // namespace
