// Pages made into word lists for the index.
#include "PageWords.h"

#include "CjkGrams.h"
#include "PageText.h"
#include "Words.h"

#include <algorithm>
#include <set>

namespace search {

namespace {

// Builds a word list: keys, block edges, and runs of CJK words, which are
// listed as their character pairs with the words beside them.
class WordListBuilder {
public:
    void Add(std::string_view key, char separator = kNextWord) {
        if (!list_.empty()) list_ += separator;
        list_ += key;
        atEdge_ = false;
    }

    void AddWord(std::string_view key, std::size_t begin, std::size_t end) {
        if (IsCjkKey(key)) {
            if (begin != runEnd_) FlushRun();
            runWords_.push_back({std::string(key), runChars_});
            run_ += key;
            runChars_ += CharCount(key);
            runEnd_ = end;
            return;
        }
        FlushRun();
        ForEachListedKey(key, [&](std::string_view listed) { Add(listed); });
    }

    void Edge() {
        FlushRun();
        if (list_.empty() || atEdge_) return;
        Add(kBlockEdge);
        atEdge_ = true;
    }

    std::string Take() {
        FlushRun();
        if (atEdge_) list_.resize(list_.size() - kBlockEdge.size() - 1);
        return std::move(list_);
    }

private:
    // The run's pairs, each dictionary word beside the pair it starts (the
    // last pair for a run's last character).
    void FlushRun() {
        if (run_.empty()) return;
        const std::vector<std::string> pairs = CharacterPairs(run_);
        auto word = runWords_.begin();
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            Add(pairs[i]);
            for (; word != runWords_.end() && (word->firstChar <= i || i + 1 == pairs.size()); ++word)
                Add(std::string(1, kWholeWord) + word->key, kSameWord);
        }
        run_.clear();
        runChars_ = 0;
        runWords_.clear();
    }

    struct RunWord {
        std::string key;
        std::size_t firstChar;
    };
    std::string list_;
    bool atEdge_ = false;
    std::string run_;  // the CJK words waiting to be paired, as one text
    std::size_t runChars_ = 0;  // how many characters it has
    std::vector<RunWord> runWords_;
    std::size_t runEnd_ = std::string_view::npos;  // where in the text the run's last word ends
};

// The words' keys of a text, in order.
std::vector<std::string> WordKeysOf(std::string_view text) {
    std::vector<std::string> keys;
    ForEachWord(text, [&](std::string_view key, std::size_t, std::size_t) { keys.emplace_back(key); });
    return keys;
}

// The names of a page's places, each once.
std::vector<NamedPlace> NamesOf(const std::vector<PageAnchor>& anchors) {
    std::vector<NamedPlace> names;
    std::set<std::string_view> seen;
    for (const PageAnchor& anchor : anchors) {
        if (!seen.insert(anchor.name).second) continue;
        NamedPlace place{anchor.name, SpellName(WordKeysOf(anchor.name))};
        if (place.name.keys > 0) names.push_back(std::move(place));
    }
    return names;
}

}  // namespace

std::vector<std::string> ListedKeys(const std::string& key) {
    std::vector<std::string> parts;
    ForEachListedKey(key, [&](std::string_view part) { parts.emplace_back(part); });
    return parts;
}

SpelledName SpellName(const std::vector<std::string>& wordKeys) {
    SpelledName name;
    std::vector<std::string_view> parts;  // of one word
    for (auto word = wordKeys.rbegin(); word != wordKeys.rend(); ++word) {
        parts.clear();
        ForEachListedKey(*word, [&](std::string_view part) { parts.push_back(part); });
        if (word == wordKeys.rbegin()) name.lastWordKeys = parts.size();
        if (!name.reversed.empty()) name.reversed += ' ';
        for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
            if (part != parts.rbegin()) name.reversed += '.';
            name.reversed += *part;
        }
        name.keys += parts.size();
    }
    return name;
}

std::string WordListOf(std::string_view text, bool blockEdges, const TextRanges& leftOut) {
    WordListBuilder list;
    std::size_t after = 0;  // where the word before ended
    auto range = leftOut.begin();
    ForEachWord(text, [&](std::string_view key, std::size_t begin, std::size_t end) {
        while (range != leftOut.end() && range->second <= begin) ++range;
        if (range != leftOut.end() && range->first <= begin) return;
        const std::string_view gap = text.substr(after, begin - after);  // short: no memchr
        if (blockEdges && std::ranges::find(gap, '\n') != gap.end()) list.Edge();
        list.AddWord(key, begin, end);
        after = end;
    });
    return list.Take();
}

std::optional<PageWords> WordsOfPage(std::string_view pageName, std::string_view bytes) {
    const std::optional<PageText> text = TextOfPage(pageName, bytes);
    if (!text) return std::nullopt;
    PageWords words{text->title, WordListOf(text->title), {}, {}, {}, NamesOf(text->anchors), 0};
    std::size_t linked = 0;
    for (const auto& [begin, end] : text->links) linked += end - begin;
    if (!text->body.empty()) words.linkShare = static_cast<double>(linked) / static_cast<double>(text->body.size());
    // The words of such a page's links are found on the pages they lead to.
    const bool html = KindOfPage(pageName) == PageKind::kHtml;
    words.bodyWords = WordListOf(text->body, html, words.linkShare > kMostlyLinks ? text->links : TextRanges{});
    for (const std::string& heading : text->headings) {
        const std::string list = WordListOf(heading);
        if (list.empty()) continue;
        if (!words.headingWords.empty()) (((words.headingWords += kNextWord) += kBlockEdge) += kNextWord);
        words.headingWords += list;
    }
    for (const std::string* phrase : {&text->title, &text->mainHeading}) {
        SpelledName name = SpellName(WordKeysOf(*phrase));
        if (name.keys > 0 && std::ranges::find(words.titleNames, name) == words.titleNames.end())
            words.titleNames.push_back(std::move(name));
    }
    return words;
}

}  // namespace search
