// What a reader types into the search, made into a query of word keys:
// words are all required; "quoted phrases" match in order; a word ending in
// "*" matches as a prefix, and so does the word still being typed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace search {

struct Phrase {
    std::vector<std::string> keys;  // folded, as the index holds them
    bool prefix = false;            // the last key matches any key it begins

    bool operator==(const Phrase&) const = default;
};

// The most phrases a query searches for, and the most words of one phrase:
// what a reader types is far below both, and a pasted page is cut to them,
// so that every search answers quickly whatever it is given.
inline constexpr std::size_t kMostPhrases = 32;
inline constexpr std::size_t kMostPhraseWords = 32;

struct Query {
    std::vector<Phrase> phrases;
    std::vector<std::string> words;  // the phrases' word keys, in order, a joined word whole
    bool cut = false;  // words past the limits above were left out
    bool empty() const { return phrases.empty(); }
};

// What a reader is told of a query that was cut.
inline constexpr char kQueryCutNotice[] = "Only the first 32 words were searched.";

// A typed word that breaks into several words (Chinese or Japanese text,
// "e-mail") is a phrase of them, and so is a joined word ("os.path") of its
// parts, as the index lists it. `typing`: the last word, unless a space or
// a closing quote follows it, matches as a prefix. A phrase typed again is
// searched for once.
Query ParseQuery(std::string_view typed, bool typing = false);

// The query as an FTS5 MATCH expression over the index's word lists.
std::string MatchExpression(const Query& query);

}  // namespace search
