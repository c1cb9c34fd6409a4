// Builds a compile's search index on a thread of its own while the pages are
// still being compressed and written: the pages' words are added in page
// order as the compression workers make them, then the database is finished
// and made into its chunked block, the chunks deflated on every core. What
// waits to be added is bounded, so memory stays the same for any size of
// book.
#pragma once

#include "ChunkedBlockMaker.h"
#include "PageWords.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace compiler {

class IndexBuilder {
public:
    // `sealed`, in a protected book, seals the block's chunks; it must
    // outlive the builder. Pages waiting to be added may together weigh
    // `maxWeightWaiting`.
    explicit IndexBuilder(const SimExe::SealedBlock* sealed = nullptr, std::uint64_t maxWeightWaiting = 64u << 20);
    // Stops the thread at once when Finish was not reached; nothing is kept.
    ~IndexBuilder();
    IndexBuilder(const IndexBuilder&) = delete;
    IndexBuilder& operator=(const IndexBuilder&) = delete;

    // The next page in the book's order with its words, weighed (by its
    // size) against what may wait; waits while the pages waiting outweigh
    // the bound. A failure of the index is raised by Finish, not here.
    void Add(std::string pageName, search::PageWords words, std::uint64_t weight);
    // No page follows: the index is finished at once, on its thread.
    void EndPages();
    // After the last page: the index block, or nothing for a book without a
    // page to search. Raises the index's error.
    std::optional<SimExe::ChunkedBlock> Finish();

private:
    struct Waiting {
        std::string pageName;
        search::PageWords words;
        std::uint64_t weight = 0;
    };

    void Build();
    // The next page to add, or nothing once the last one was added.
    std::optional<Waiting> TakeWaiting();

    const SimExe::SealedBlock* const sealed_;
    const std::uint64_t maxWeightWaiting_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Waiting> waiting_;
    std::uint64_t weightWaiting_ = 0;
    bool lastAdded_ = false;  // no page follows
    bool stopping_ = false;   // the builder goes before its index is done
    std::exception_ptr error_;  // the index failed; pages are no longer taken
    std::optional<SimExe::ChunkedBlock> block_;  // made by the thread, read once it has ended
    std::thread thread_;
};

}  // namespace compiler
