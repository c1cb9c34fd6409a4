// Snippets: the best window of words around a page's hits.
#include "Snippet.h"

#include "Words.h"

#include <algorithm>
#include <set>

namespace search {

namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";

// Which of the query's keys (counted through its phrases) a word of the
// page answers, itself or by one of its joined parts ("path" is found in
// "os.path"); -1 when none.
int KeyAnswered(const Query& query, const std::string& word) {
    std::vector<std::string> forms = KeyParts(word);
    forms.push_back(word);
    int counted = 0;
    for (const Phrase& phrase : query.phrases) {
        for (std::size_t k = 0; k < phrase.keys.size(); ++k, ++counted) {
            const std::string& key = phrase.keys[k];
            const bool prefix = phrase.prefix && k + 1 == phrase.keys.size();
            for (const std::string& form : forms)
                if (form == key || (prefix && form.compare(0, key.size(), key) == 0)) return counted;
        }
    }
    return -1;
}

}  // namespace

Snippet SnippetOf(std::string_view text, const Query& query, std::size_t words) {
    const std::vector<Word> all = SplitWords(text);
    std::vector<int> answered(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) answered[i] = KeyAnswered(query, all[i].key);

    // The window with the most different keys, then the most hits.
    std::size_t bestStart = 0, bestKinds = 0, bestHits = 0;
    const std::size_t window = std::max<std::size_t>(words, 1);
    for (std::size_t start = 0; start < all.size(); ++start) {
        if (answered[start] < 0) continue;  // a best window may as well begin with a hit
        std::set<int> kinds;
        std::size_t hits = 0;
        for (std::size_t i = start; i < std::min(all.size(), start + window); ++i)
            if (answered[i] >= 0) kinds.insert(answered[i]), ++hits;
        if (kinds.size() > bestKinds || (kinds.size() == bestKinds && hits > bestHits)) {
            bestStart = start;
            bestKinds = kinds.size();
            bestHits = hits;
        }
    }
    // A few words of what leads up to the first hit.
    if (bestHits) bestStart -= std::min<std::size_t>(bestStart, window / 4);
    Snippet snippet;
    if (all.empty()) return snippet;
    const std::size_t last = std::min(all.size(), bestStart + window) - 1;
    if (bestStart > 0) snippet.text = kEllipsis;
    const std::size_t from = all[bestStart].begin;
    for (std::size_t i = bestStart; i <= last; ++i) {
        // The text between words as it stands, a line break being a space.
        const std::size_t gapFrom = i == bestStart ? from : all[i - 1].end;
        for (char c : text.substr(gapFrom, all[i].begin - gapFrom)) snippet.text += (c == '\n' ? ' ' : c);
        const std::size_t begin = snippet.text.size();
        snippet.text += text.substr(all[i].begin, all[i].end - all[i].begin);
        if (answered[i] >= 0) snippet.hits.emplace_back(begin, snippet.text.size());
    }
    if (last + 1 < all.size()) snippet.text += kEllipsis;
    return snippet;
}

}  // namespace search
