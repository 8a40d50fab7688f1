// The per-process and per-thread state of the platform layer: ticks, last error, thread ids.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <atomic>
#include <thread>

#include "platform/LastError.h"
#include "platform/Thread.h"
#include "platform/Ticks.h"

namespace {

TEST(Ticks, InjectedSourceDrivesTimeUntilRemoved) {
    std::atomic<std::uint64_t> now = 5;
    const platform::TickSource previous = platform::SetTickSource([&now] { return now.load(); });
    EXPECT_FALSE(previous);
    EXPECT_EQ(platform::GetTickCount64(), 5u);
    now = 1005;
    EXPECT_EQ(platform::GetTickCount64(), 1005u);

    const platform::TickSource driven = platform::SetTickSource({});
    ASSERT_TRUE(driven);
    EXPECT_EQ(driven(), 1005u);

    const std::uint64_t first = platform::GetTickCount64();
    EXPECT_GT(first, 1005u);  // the steady clock counts from boot
    EXPECT_GE(platform::GetTickCount64(), first);
}

TEST(LastError, EachThreadHasItsOwn) {
    // Starting and joining a thread are system calls that set the error on Windows, so this thread's
    // error is set and read while the other one is running, and the threads take turns by atomics.
    std::atomic<int> turn = 0;
    std::uint32_t seenByOther = 1;
    std::thread other([&] {
        while (turn != 1) {
            std::this_thread::yield();
        }
        seenByOther = platform::GetLastError();
        platform::SetLastError(ERROR_TIMEOUT);
        turn = 2;
    });
    platform::SetLastError(ERROR_CRC);
    turn = 1;
    while (turn != 2) {
        std::this_thread::yield();
    }
    const std::uint32_t own = platform::GetLastError();
    other.join();
    EXPECT_EQ(seenByOther, ERROR_SUCCESS);
    EXPECT_EQ(own, ERROR_CRC);
}

TEST(ThreadId, IdentifiesTheCallingThread) {
    const std::uint32_t own = platform::GetCurrentThreadId();
#ifdef _WIN32
    EXPECT_NE(own, 0u);  // thread ids are distinct from process ids and never zero
#else
    EXPECT_EQ(own, static_cast<std::uint32_t>(getpid()));  // the main thread's id is the process id
#endif
    std::uint32_t other = own;
    std::thread([&other] { other = platform::GetCurrentThreadId(); }).join();
    EXPECT_NE(other, own);
    EXPECT_EQ(platform::GetCurrentThreadId(), own);
}

}  // namespace
