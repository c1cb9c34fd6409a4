// The text around a page's hits, as a result list shows it.
#pragma once

#include "Query.h"

#include <cstddef>
#include <memory>
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

// The same over a text that grows as it is read (HtmlTextReader): the text
// is split a stretch at a time, and no further once a window holds every
// key it can, so most of a long page need not be read at all.
class SnippetScanner {
public:
    explicit SnippetScanner(const Query& query, std::size_t words = 24);
    ~SnippetScanner();

    // Reads on in `text`, the whole text so far, which only ever grows;
    // `ended`: no more of it follows.
    void ReadOn(std::string_view text, bool ended);
    // Whether reading on would change nothing.
    bool Settled() const;
    // The snippet, cut from `text` (the text read); `more`: text follows it.
    Snippet Take(std::string_view text, bool more) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace search
