// The text around a page's hits, as a result list shows it.
#pragma once

#include "Query.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace search {

struct Snippet {
    std::string text;                                         // one line
    std::vector<std::pair<std::size_t, std::size_t>> hits;    // [begin, end) byte ranges in text
};

// The stretch of `words` words of the page's text that holds the most of
// the query's keys (the earliest among equals; the page's beginning when it
// holds none), led by a few words before its first hit, "…" where it is cut.
Snippet SnippetOf(std::string_view text, const Query& query, std::size_t words = 24);

}  // namespace search
