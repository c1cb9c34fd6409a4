// What the index holds of one page, made on a compile worker: the title to
// show in results, and the words of the title, the headings and the body as
// word lists the index's tokenizer reads back without breaking them again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace search {

// A word list: word keys in order, separated by kNextWord, which no key
// holds. A joined word ("os.path.join") is listed as its parts, one after
// the other, so that a query for the whole finds it as a phrase and a query
// for one part finds it too.
inline constexpr char kNextWord = ' ';

struct PageWords {
    std::string title;
    std::string titleWords, headingWords, bodyWords;
};

// The word list of UTF-8 text.
std::string WordListOf(std::string_view text);

// The keys a word is listed as: its parts when it is joined, else itself.
std::vector<std::string> ListedKeys(const std::string& key);

// The words of a page by its name's kind; nothing for pages not searched.
std::optional<PageWords> WordsOfPage(std::string_view pageName, std::string_view bytes);

}  // namespace search
