// Writes the search index of a compile: the pages' word lists, titles and
// named places, added in the book's page order, become one SQLite database
// image, byte for byte the same for the same pages.
#pragma once

#include "IndexDatabase.h"
#include "PageWords.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace search {

class IndexWriter {
public:
    // How much of the index is gathered in memory before it is written as a
    // segment of the database.
    static constexpr std::int64_t kTermsInMemory = 16 << 20;

    explicit IndexWriter(std::int64_t termsInMemory = kTermsInMemory);
    IndexWriter(const IndexWriter&) = delete;
    IndexWriter& operator=(const IndexWriter&) = delete;

    // Adds the page of block name `pageName`. Raises EIndexError.
    void Add(const std::string& pageName, PageWords words);
    std::size_t Pages() const { return pages_; }
    // Hands `use` the finished database image (merged and compacted) where
    // it lies, valid during the call; the writer is spent afterwards.
    // Raises EIndexError.
    void Finish(const std::function<void(std::string_view image)>& use);
    // The same image, copied.
    std::string Finish();

private:
    std::int64_t FreePages() const;
    void UseCompacted(const std::function<void(std::string_view image)>& use);
    void AddNamed(SpelledName name, std::size_t tail, sqlite3_int64 page, std::string anchor);
    void InsertNamed();

    // A row of the named table, waiting to be inserted.
    struct NamedRow {
        std::string keys;
        sqlite3_int64 total = 0, tail = 0, page = 0;
        std::string anchor;
    };

    Database db_;
    std::optional<Statement> addPage_, addWords_, addNamed_;  // until Finish
    std::size_t pages_ = 0;
    std::vector<NamedRow> named_;  // inserted in batches, in key order
};

}  // namespace search
