// Work shared out over the cores: every item runs once, and an exception on
// any thread reaches the caller after every thread has stopped.
#include "SharedWork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(ShareOut, EveryItemRunsExactlyOnce) {
    for (const std::size_t count : {0u, 1u, 2u, 1000u}) {
        std::vector<std::atomic<int>> runs(count);
        base::ShareOut(count, [&](std::size_t i) { ++runs.at(i); });
        for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i], 1) << "item " << i << " of " << count;
    }
}

TEST(ShareOut, OneItemRunsOnTheCallersThread) {
    std::set<std::thread::id> threads;
    base::ShareOut(1, [&](std::size_t) { threads.insert(std::this_thread::get_id()); });
    EXPECT_EQ(threads, std::set<std::thread::id>{std::this_thread::get_id()});
}

TEST(ShareOut, AnExceptionOnAHelperThreadReachesTheCallerAndStopsTheRest) {
    if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core: the caller's thread does everything";
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> helperFailed{false};
    std::atomic<std::size_t> started{0};
    const auto work = [&](std::size_t) {
        ++started;
        if (std::this_thread::get_id() != caller) {
            helperFailed = true;
            throw std::runtime_error("failed on a helper");
        }
        // The caller's thread waits for a helper to fail, then works slowly:
        // it would go on for seconds if nothing stopped it.
        while (!helperFailed) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    try {
        base::ShareOut(2000, work);
        ADD_FAILURE() << "nothing was thrown";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "failed on a helper");
    }
    EXPECT_LT(started, 1000u) << "the caller's thread kept taking items after the failure";
}

}  // namespace
