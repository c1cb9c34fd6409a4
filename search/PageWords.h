// What the index holds of one page, made on a compile worker: the title to
// show in results, the words of the title, the headings and the body as
// word lists the index's tokenizer reads back without breaking them again,
// the names of the page's places, and how much of it is links.
#pragma once

#include "Words.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace search {

// A word list: word keys in order, each led by kNextWord (a word after the
// one before) or kSameWord (a word standing where the one before stands),
// characters no key holds. A joined word ("os.path.join") is listed as its
// parts, one after the other, so that a query for the whole finds it as a
// phrase and a query for one part finds it too.
inline constexpr char kNextWord = ' ';
inline constexpr char kSameWord = '\t';
// Listed between blocks (paragraphs, list items, table cells, headings): no
// query asks for it, so no phrase matches across it.
inline constexpr std::string_view kBlockEdge = "\x01";
// Leads a Chinese, Japanese or Korean dictionary word, listed where its
// character pairs (CjkGrams.h) start, so that a query for the whole word
// ranks the pages that hold it as a word above those holding it in a compound.
inline constexpr char kWholeWord = '\x02';

// A text as a name the index looks up whole: its words' keys last first, a
// joined word's parts by "." and words by " " ("os.path.join" is
// "join.path.os", "module-os.path" is "path.os module"), so that the last
// keys of a name are looked up as a prefix.
struct SpelledName {
    std::string reversed;
    std::size_t keys = 0;          // how many keys it has
    std::size_t lastWordKeys = 0;  // how many of them its last word has
    bool operator==(const SpelledName&) const = default;
};

// The name spelled by words' keys (Word::key), in order.
SpelledName SpellName(const std::vector<std::string>& wordKeys);

// A named place of a page as the index lists it.
struct NamedPlace {
    std::string anchor;  // the name as the page spells it
    SpelledName name;
};

// A page whose text is mostly links: a generated index, a table of contents.
inline constexpr double kMostlyLinks = 0.5;

struct PageWords {
    std::string title;
    std::string titleWords, headingWords, bodyWords;
    // The title and the main heading, as names a reader may type whole.
    std::vector<SpelledName> titleNames;
    std::vector<NamedPlace> names;
    double linkShare = 0;  // how much of the body's text is the text of links, 0 to 1; past
                           // kMostlyLinks, the words of links are not listed
};

// Byte ranges [begin, end) of a text, in order.
using TextRanges = std::vector<std::pair<std::size_t, std::size_t>>;

// The word list of UTF-8 text; with `blockEdges`, each line break of the
// text is a block edge; words that start in `leftOut` are not listed.
std::string WordListOf(std::string_view text, bool blockEdges = false, const TextRanges& leftOut = {});

// The keys a word is listed as: its parts when it is joined, else itself.
std::vector<std::string> ListedKeys(const std::string& key);

// The same, each handed to `take` in order, without copies.
template <typename Take>
void ForEachListedKey(std::string_view key, Take take) {
    bool listed = false;
    if (IsJoinedKey(key)) {
        ForEachKeyPart(key, [&](std::string_view part) {
            take(part);
            listed = true;
        });
    }
    if (!listed) take(key);
}

// The words of a page by its name's kind; nothing for pages not searched.
std::optional<PageWords> WordsOfPage(std::string_view pageName, std::string_view bytes);

}  // namespace search
