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

// Where a stretch of about `about` bytes from `from` ends: after a line
// break (where words always break), or at the text's end.
std::size_t StretchEnd(std::string_view text, std::size_t from, std::size_t about) {
    const std::size_t lineEnd = text.find('\n', std::min(text.size(), from + about));
    return lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
}

// Where the first window of `window` words with the most of the query's
// keys begins, and how many keys it holds.
std::pair<std::size_t, std::size_t> BestWindow(const std::vector<int>& answered, std::size_t window) {
    std::size_t bestStart = 0, bestKinds = 0;
    for (std::size_t start = 0; start < answered.size(); ++start) {
        if (answered[start] < 0) continue;  // a best window may as well begin with a hit
        std::set<int> kinds;
        for (std::size_t i = start; i < std::min(answered.size(), start + window); ++i)
            if (answered[i] >= 0) kinds.insert(answered[i]);
        if (kinds.size() > bestKinds) bestStart = start, bestKinds = kinds.size();
    }
    return {bestStart, bestKinds};
}

}  // namespace

// The text is split a stretch at a time, and no further once a window
// holds every key: pages are long, and most hits come early.
Snippet SnippetOf(std::string_view text, const Query& query, std::size_t words) {
    constexpr std::size_t kStretch = 8192;
    std::size_t keys = 0;
    for (const Phrase& phrase : query.phrases) keys += phrase.keys.size();
    const std::size_t window = std::max<std::size_t>(words, 1);
    std::vector<Word> all;
    std::vector<int> answered;
    std::pair<std::size_t, std::size_t> best{0, 0};
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t to = StretchEnd(text, from, kStretch);
        for (Word& word : SplitWords(text.substr(from, to - from))) {
            word.begin += from;
            word.end += from;
            answered.push_back(KeyAnswered(query, word.key));
            all.push_back(std::move(word));
        }
        from = to;
        best = BestWindow(answered, window);
        if (best.second == keys && all.size() >= best.first + window) break;
    }
    if (all.empty()) return {};
    std::size_t bestStart = best.first;
    // A few words of what leads up to the first hit.
    if (best.second) bestStart -= std::min<std::size_t>(bestStart, window / 4);
    Snippet snippet;
    const std::size_t last = std::min(all.size(), bestStart + window) - 1;
    if (bestStart > 0) snippet.text = kEllipsis;
    for (std::size_t i = bestStart; i <= last; ++i) {
        // The text between words as it stands, a line break being a space.
        const std::size_t gapFrom = i == bestStart ? all[i].begin : all[i - 1].end;
        for (char c : text.substr(gapFrom, all[i].begin - gapFrom)) snippet.text += (c == '\n' ? ' ' : c);
        const std::size_t begin = snippet.text.size();
        snippet.text += text.substr(all[i].begin, all[i].end - all[i].begin);
        if (answered[i] >= 0) snippet.hits.emplace_back(begin, snippet.text.size());
    }
    // Cut where more words follow, read or not.
    if (last + 1 < all.size() || from < text.size()) snippet.text += kEllipsis;
    return snippet;
}

}  // namespace search
