// Writes the search index of a compile: the pages' word lists, added in the
// book's page order, become one SQLite database image, byte for byte the
// same for the same pages.
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
    Database db_;
    std::optional<Statement> addPage_, addWords_;  // until Finish
    std::size_t pages_ = 0;
};

}  // namespace search
