// Work on independent items shared out over the cores.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace base {

// Runs work(i) once for every i in [0, count), each thread taking the next
// item left: the caller's thread and helpers, as many threads in all as
// there are cores but never more than items. When work throws, no thread
// takes another item, all of them are joined, and the first exception
// thrown is thrown again here. The items may finish in any order, so each
// one writes only its own share of the result.
inline void ShareOut(std::size_t count, const std::function<void(std::size_t)>& work) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorLock;
    const auto takeItems = [&] {
        try {
            for (std::size_t i; !failed && (i = next++) < count;) work(i);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(errorLock);
            if (!firstError) firstError = std::current_exception();
            failed = true;
        }
    };
    const std::size_t threads = std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> helpers;
    helpers.reserve(threads);
    try {
        while (helpers.size() + 1 < threads) helpers.emplace_back(takeItems);
    } catch (const std::system_error&) {
        // A thread the system refuses leaves its items to the others.
    }
    takeItems();
    for (std::thread& helper : helpers) helper.join();
    if (firstError) std::rethrow_exception(firstError);
}

}  // namespace base
