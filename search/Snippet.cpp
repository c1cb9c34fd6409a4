// Snippets: the best window of words around a page's hits.
#include "Snippet.h"

#include "Words.h"

#include <algorithm>
#include <unordered_map>

namespace search {

namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";

// Which of the query's keys (counted through its phrases) a word of the
// page answers, itself or by one of its joined parts ("path" is found in
// "os.path"); -1 when none. A key typed twice counts where it comes first.
class KeyFinder {
public:
    explicit KeyFinder(const Query& query) {
        int counted = 0;
        for (const Phrase& phrase : query.phrases) {
            for (std::size_t k = 0; k < phrase.keys.size(); ++k, ++counted) {
                if (phrase.prefix && k + 1 == phrase.keys.size()) {
                    prefixes_.emplace_back(phrase.keys[k], counted);
                } else {
                    exact_.emplace(phrase.keys[k], counted);
                }
            }
        }
        keys_ = static_cast<std::size_t>(counted);
    }

    std::size_t Keys() const { return keys_; }

    int Answered(const std::string& word) const {
        int found = Find(word);
        if (!IsJoinedKey(word)) return found;
        for (const std::string& part : KeyParts(word)) {
            const int answered = Find(part);
            if (answered >= 0 && (found < 0 || answered < found)) found = answered;
        }
        return found;
    }

private:
    int Find(const std::string& form) const {
        int found = -1;
        if (const auto exact = exact_.find(form); exact != exact_.end()) found = exact->second;
        for (const auto& [prefix, index] : prefixes_)
            if (form.compare(0, prefix.size(), prefix) == 0 && (found < 0 || index < found)) found = index;
        return found;
    }

    std::unordered_map<std::string, int> exact_;  // the first index of each key
    std::vector<std::pair<std::string, int>> prefixes_;
    std::size_t keys_ = 0;
};

// Where a stretch of about `about` bytes from `from` ends: after a line
// break (where words always break), or at the text's end.
std::size_t StretchEnd(std::string_view text, std::size_t from, std::size_t about) {
    const std::size_t lineEnd = text.find('\n', std::min(text.size(), from + about));
    return lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
}

// Finds the first window of `window` words with the most of the query's
// keys, sliding over the words as they come: each word enters and leaves
// the window once.
class BestWindow {
public:
    BestWindow(std::size_t window, std::size_t keys) : window_(window), counts_(keys, 0) {}

    // Takes the words answered since the last call; `ended`: no more come.
    void Take(const std::vector<int>& answered, bool ended) {
        for (; start_ < answered.size() && (ended || start_ + window_ <= answered.size()); ++start_) {
            for (; end_ < std::min(answered.size(), start_ + window_); ++end_) Count(answered[end_], +1);
            if (answered[start_] >= 0 && kinds_ > bestKinds_) bestStart_ = start_, bestKinds_ = kinds_;
            Count(answered[start_], -1);
        }
    }

    std::size_t Start() const { return bestStart_; }
    std::size_t Kinds() const { return bestKinds_; }
    // Whether no later window can hold more keys, nor this one more words.
    bool Settled(std::size_t words) const {
        return bestKinds_ == std::min(counts_.size(), window_) && words >= bestStart_ + window_;
    }

private:
    void Count(int key, int step) {
        if (key < 0) return;
        int& count = counts_[static_cast<std::size_t>(key)];
        if (step > 0 && count++ == 0) ++kinds_;
        if (step < 0 && --count == 0) --kinds_;
    }

    std::size_t window_;
    std::vector<int> counts_;  // how often each key stands in the window
    std::size_t kinds_ = 0;    // how many keys do
    std::size_t start_ = 0, end_ = 0;
    std::size_t bestStart_ = 0, bestKinds_ = 0;
};

}  // namespace

struct SnippetScanner::State {
    State(const Query& query, std::size_t words)
        : finder(query), window(std::max<std::size_t>(words, 1)), best(window, finder.Keys()) {}

    KeyFinder finder;
    std::size_t window;
    BestWindow best;
    std::vector<Word> all;
    std::vector<int> answered;
    std::size_t from = 0;  // where the text is read to
};

SnippetScanner::SnippetScanner(const Query& query, std::size_t words) : state_(std::make_unique<State>(query, words)) {}

SnippetScanner::~SnippetScanner() = default;

void SnippetScanner::ReadOn(std::string_view text, bool ended) {
    constexpr std::size_t kStretch = 8192;
    State& state = *state_;
    // Text not ended is read up to its last line break, where words always
    // break: what follows may still grow.
    const std::size_t readable = ended ? text.size() : text.rfind('\n') + 1;
    while (state.from < readable && !Settled()) {
        const std::size_t to = std::min(readable, StretchEnd(text, state.from, kStretch));
        for (Word& word : SplitWords(text.substr(state.from, to - state.from))) {
            word.begin += state.from;
            word.end += state.from;
            state.answered.push_back(state.finder.Answered(word.key));
            state.all.push_back(std::move(word));
        }
        state.from = to;
        state.best.Take(state.answered, false);
    }
    if (ended && state.from >= text.size()) state.best.Take(state.answered, true);
}

bool SnippetScanner::Settled() const { return state_->best.Settled(state_->all.size()); }

Snippet SnippetScanner::Take(std::string_view text, bool more) const {
    const State& state = *state_;
    const std::vector<Word>& all = state.all;
    if (all.empty()) return {};
    const std::size_t window = state.window;
    std::size_t bestStart = state.best.Start();
    // A few words of what leads up to the first hit.
    if (state.best.Kinds()) bestStart -= std::min<std::size_t>(bestStart, window / 4);
    Snippet snippet;
    const std::size_t last = std::min(all.size(), bestStart + window) - 1;
    if (bestStart > 0) snippet.text = kEllipsis;
    for (std::size_t i = bestStart; i <= last; ++i) {
        // The text between words as it stands, a line break being a space.
        const std::size_t gapFrom = i == bestStart ? all[i].begin : all[i - 1].end;
        for (char c : text.substr(gapFrom, all[i].begin - gapFrom)) snippet.text += (c == '\n' ? ' ' : c);
        const std::size_t begin = snippet.text.size();
        snippet.text += text.substr(all[i].begin, all[i].end - all[i].begin);
        if (state.answered[i] >= 0) snippet.hits.emplace_back(begin, snippet.text.size());
    }
    // Cut where more words follow, read or not.
    if (last + 1 < all.size() || state.from < text.size() || more) snippet.text += kEllipsis;
    return snippet;
}

Snippet SnippetOf(std::string_view text, const Query& query, std::size_t words) {
    SnippetScanner scanner(query, words);
    scanner.ReadOn(text, true);
    return scanner.Take(text, false);
}

}  // namespace search
