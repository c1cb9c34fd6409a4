// What a reader types into the search, made into a query of word keys:
// words are all required; "quoted phrases" match in order; a word ending in
// "*" matches as a prefix, and so does the word still being typed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace search {

struct Phrase {
    std::vector<std::string> keys;  // folded, as the index holds them
    bool prefix = false;            // the last key matches any key it begins
};

struct Query {
    std::vector<Phrase> phrases;
    bool empty() const { return phrases.empty(); }
};

// A typed word that breaks into several words (Chinese or Japanese text,
// "e-mail") is a phrase of them, and so is a joined word ("os.path") of its
// parts, as the index lists it. `typing`: the last word, unless a space or
// a closing quote follows it, matches as a prefix.
Query ParseQuery(std::string_view typed, bool typing = false);

// The query as an FTS5 MATCH expression over the index's word lists.
std::string MatchExpression(const Query& query);

}  // namespace search
