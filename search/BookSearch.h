// Whole-book search on a book: its index block, read
// in place a chunk at a time (or, when it is not chunked, inflated into
// memory once), and the pages it names, read for the snippets of the best
// hits. Shared by the viewer's search dialog
// and the command line.
#pragma once

#include "SearchIndex.h"
#include "Snippet.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace search {

struct Found {
    Hit hit;
    Snippet snippet;
};

struct Answer {
    std::size_t count = 0;     // every page that matches
    std::vector<Found> found;  // the best of them, best first
    Query query;               // what was searched for
};

class BookSearch {
public:
    // The book's index; nothing when the book has none. Raises EIndexError
    // when its index block is damaged.
    static std::unique_ptr<BookSearch> Open(std::shared_ptr<const book::Book> book);

    // The `limit` best pages for what the reader typed (see ParseQuery),
    // each with its snippet. Raises EIndexError when the index turns out
    // damaged.
    Answer Search(std::string_view typed, bool typing, std::size_t limit) const;

private:
    explicit BookSearch(std::shared_ptr<const book::Book> book) : book_(std::move(book)) {}

    std::shared_ptr<const book::Book> book_;
    std::string image_;  // an index inflated whole, which index_ reads
    std::unique_ptr<SearchIndex> index_;
};

}  // namespace search
