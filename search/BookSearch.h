// Whole-book search on the eBook in the block store: its index block, read
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
    static std::unique_ptr<BookSearch> Open();

    // The `limit` best pages for what the reader typed (see ParseQuery),
    // each with its snippet. Raises EIndexError when the index turns out
    // damaged.
    Answer Search(std::string_view typed, bool typing, std::size_t limit) const;

private:
    BookSearch() = default;

    std::string image_;  // an index inflated whole, which index_ reads
    std::unique_ptr<SearchIndex> index_;
};

}  // namespace search
