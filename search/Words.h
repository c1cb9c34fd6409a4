// Words as readers search for them, in any language: found by ICU's word
// breaking (dictionary-based for Chinese, Japanese, Thai and the like), and
// keyed case-insensitively (Unicode case folding) and accent-insensitively
// ("café" and "cafe", "naïve" and "naive" have one key). Words joined by
// "." or "_" ("os.path", "__init__", "3.14") stay whole. ICU is the one of
// TextLibrariesInUse(): without it, each function raises ESearchUnavailable.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace search {

struct Word {
    std::string key;     // the folded form the index holds, UTF-8 (NFC), never empty
    std::size_t begin;   // where the word stands in the text, in bytes
    std::size_t end;
};

// The words of UTF-8 text, in order; spaces, punctuation and symbols are no
// words. Invalid UTF-8 is read as if each bad byte were U+FFFD (no word).
// Safe to call from several threads at once.
std::vector<Word> SplitWords(std::string_view text);

// The same, word by word: `take` gets each key (valid until it returns)
// and where the word stands, without a list of them all being made.
void ForEachWord(std::string_view text, const std::function<void(std::string_view, std::size_t, std::size_t)>& take);

// The key of a word as typed: the same folding, "" when nothing is left.
std::string FoldWord(std::string_view word);

// Whether a key is joined by "." or "_" ("os.path", "__init__").
inline bool IsJoinedKey(std::string_view key) {
    for (const char c : key)
        if (c == '.' || c == '_') return true;
    return false;
}

// Calls `take` with each part of a key joined by "." or "_", in order:
// "os.path" has "os" and "path", "__init__" has "init".
template <typename Take>
void ForEachKeyPart(std::string_view key, Take take) {
    for (std::size_t start = 0; start <= key.size();) {
        const std::size_t stop = std::min(key.find_first_of("._", start), key.size());
        if (stop > start) take(key.substr(start, stop - start));
        start = stop + 1;
    }
}

// The parts of a key joined by "." or "_" (see ForEachKeyPart); empty when
// the key has no such joins.
std::vector<std::string> KeyParts(std::string_view key);

}  // namespace search
