// Page compression on worker threads.
#include "PageCompressor.h"

#include "SimExe.h"
#include "ZLibEx.h"

#include <chrono>

namespace compiler {

namespace {

// Workers stay at most this far ahead of the writer, in files and in
// compressed bytes, so memory stays near the size of the eBook itself.
constexpr std::size_t kMaxFilesAhead = 64;
constexpr std::size_t kMaxBytesAhead = 64u << 20;

}  // namespace

PageCompressor::PageCompressor(std::vector<std::string> paths, unsigned threads, std::string folder)
    : paths_(std::move(paths)), folder_(std::move(folder)), slots_(paths_.size()) {
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    if (threads > paths_.size()) threads = static_cast<unsigned>(std::max<std::size_t>(1, paths_.size()));
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

PageCompressor::~PageCompressor() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void PageCompressor::Work() {
    for (;;) {
        std::size_t index;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] {
                return stopping_ || next_ >= paths_.size() ||
                       (next_ < taken_ + kMaxFilesAhead && aheadBytes_ < kMaxBytesAhead);
            });
            if (stopping_ || next_ >= paths_.size()) return;
            index = next_++;
        }
        Slot result;
        try {
            result.payload = ZLibEx::CompressString(SimExe::ReadFileBytes(paths_[index], folder_), ZLibEx::lvDefault);
        } catch (...) {
            result.error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            aheadBytes_ += result.payload.size();
            slots_[index] = std::move(result);
            slots_[index].done = true;
        }
        changed_.notify_all();
    }
}

std::string PageCompressor::Take(std::size_t index, const std::function<void()>& idle) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!changed_.wait_for(lock, std::chrono::milliseconds(40), [&] { return slots_[index].done; })) {
        lock.unlock();
        if (idle) idle();
        lock.lock();
    }
    Slot slot = std::move(slots_[index]);
    aheadBytes_ -= slot.payload.size();
    taken_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    if (slot.error) std::rethrow_exception(slot.error);
    return std::move(slot.payload);
}

}  // namespace compiler
