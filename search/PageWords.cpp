// Pages made into word lists for the index.
#include "PageWords.h"

#include "PageText.h"
#include "Words.h"

namespace search {

std::vector<std::string> ListedKeys(const std::string& key) {
    std::vector<std::string> parts = KeyParts(key);
    if (parts.empty()) parts.push_back(key);
    return parts;
}

std::string WordListOf(std::string_view text) {
    std::string list;
    const auto add = [&](std::string_view key) {
        if (!list.empty()) list += kNextWord;
        list += key;
    };
    ForEachWord(text, [&](std::string_view word, std::size_t, std::size_t) {
        if (word.find_first_of("._") == std::string_view::npos) return add(word);  // most words: no parts to list
        for (const std::string& key : ListedKeys(std::string(word))) add(key);
    });
    return list;
}

std::optional<PageWords> WordsOfPage(std::string_view pageName, std::string_view bytes) {
    const std::optional<PageText> text = TextOfPage(pageName, bytes);
    if (!text) return std::nullopt;
    PageWords words{text->title, WordListOf(text->title), {}, WordListOf(text->body)};
    for (const std::string& heading : text->headings) {
        if (!words.headingWords.empty()) words.headingWords += kNextWord;
        words.headingWords += WordListOf(heading);
    }
    return words;
}

}  // namespace search
