// The search index, built beside the compile.
#include "IndexBuilder.h"

#include "IndexFile.h"
#include "IndexWriter.h"

namespace compiler {

IndexBuilder::IndexBuilder(const SimExe::SealedBlock* sealed, std::uint64_t maxWeightWaiting)
    : sealed_(sealed), maxWeightWaiting_(maxWeightWaiting), thread_([this] { Build(); }) {}

IndexBuilder::~IndexBuilder() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

// A page heavier than the bound waits alone; once the index has failed,
// pages are dropped, so that the writer is never held up by it.
void IndexBuilder::Add(std::string pageName, search::PageWords words, std::uint64_t weight) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return error_ || waiting_.empty() || weightWaiting_ + weight <= maxWeightWaiting_; });
    if (error_) return;
    waiting_.push_back({std::move(pageName), std::move(words), weight});
    weightWaiting_ += weight;
    changed_.notify_all();
}

void IndexBuilder::EndPages() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lastAdded_ = true;
    }
    changed_.notify_all();
}

std::optional<SimExe::ChunkedBlock> IndexBuilder::Finish() {
    EndPages();
    thread_.join();
    if (error_) std::rethrow_exception(error_);
    return std::move(block_);
}

std::optional<IndexBuilder::Waiting> IndexBuilder::TakeWaiting() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return stopping_ || lastAdded_ || !waiting_.empty(); });
    if (stopping_ || waiting_.empty()) return std::nullopt;
    Waiting next = std::move(waiting_.front());
    waiting_.pop_front();
    weightWaiting_ -= next.weight;
    changed_.notify_all();
    return next;
}

// A book without a page to search has no index, and no whole-book search.
// The index is read a chunk at a time where it lies, so it is chunked.
void IndexBuilder::Build() {
    try {
        search::IndexWriter index;
        while (std::optional<Waiting> page = TakeWaiting()) index.Add(page->pageName, std::move(page->words));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
        }
        if (index.Pages() > 0) {
            index.Finish([&](std::string_view image) {
                block_ = SimExe::MakeChunkedBlock(image, search::kIndexChunkSize, search::kIndexDeflateLevel, sealed_);
            });
        }
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        error_ = std::current_exception();
        waiting_.clear();
        weightWaiting_ = 0;
    }
    changed_.notify_all();
}

}  // namespace compiler
