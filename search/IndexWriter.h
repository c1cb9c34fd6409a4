// Writes the search index of a compile: the pages' word lists, titles and
// named places, added in the book's page order, become one SQLite database
// image, byte for byte the same for the same pages.
#pragma once

#include "IndexDatabase.h"
#include "PageWords.h"

#include <memory>
#include <optional>
#include <string>

namespace search {

class IndexWriter {
public:
    IndexWriter();
    IndexWriter(const IndexWriter&) = delete;
    IndexWriter& operator=(const IndexWriter&) = delete;

    // Adds the page of block name `pageName`. Raises EIndexError.
    void Add(const std::string& pageName, const PageWords& words);
    std::size_t Pages() const { return pages_; }
    // The finished database image (merged and compacted); the writer is
    // spent afterwards. Raises EIndexError.
    std::string Finish();

private:
    void AddNamed(const SpelledName& name, std::size_t tail, sqlite3_int64 page, const std::string& anchor);

    Database db_;
    std::optional<Statement> addPage_, addWords_, addNamed_;  // until Finish
    std::size_t pages_ = 0;
};

}  // namespace search
