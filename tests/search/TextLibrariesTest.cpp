// The text libraries found at run time, as the viewer finds them, against
// the ones the compiler links: the same words and keys from both, and a
// clear "not available" where they cannot be found.
#include "LibraryLookup.h"
#include "LinkedLibraries.h"
#include "PageText.h"
#include "Words.h"

#include <gtest/gtest.h>
#include <unicode/uvernum.h>

#include <random>
#include <string>
#include <vector>

namespace search {
namespace {

// Brings back the libraries the tests run with, whatever a test chose.
class TextLibrariesTest : public ::testing::Test {
protected:
    void TearDown() override { UseTextLibraries(&LinkedTextLibraries()); }
};

const TextLibraries& LibrariesFound() {
    static const FoundLibraries found = LookUpTextLibraries();
    if (!found.libraries) throw std::runtime_error(found.whyNone);
    return *found.libraries;
}

// Code points readers' text is made of: letters of several scripts,
// precomposed and with combining marks, compatibility forms, joiners,
// apostrophes, spaces and punctuation.
const std::vector<char32_t>& Alphabet() {
    static const std::vector<char32_t> alphabet = [] {
        std::vector<char32_t> all;
        for (const std::u32string_view run :
             {U"abcxyzABCXYZ0189", U"éñüøßİıÆœ", U"\u0301\u0308\u0327\u0323", U"αβγωΆΐΣςἀ", U"абвяёЁйЙ",
              U"東京タワーは高い塔です日本語", U"ひらがなカタカナｶﾞＡＢＣ１", U"ภาษาไทยสวัสดี\u0E48\u0E49",
              U"ﬁ\u00AD\u200D", U"  \n\t.,;:'’_-@/", U"😀"})
            all.insert(all.end(), run.begin(), run.end());
        return all;
    }();
    return alphabet;
}

std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::vector<std::string> RandomTexts(std::size_t count) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::size_t> length(1, 80), pick(0, Alphabet().size() - 1);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < count; ++i) {
        std::string text;
        for (std::size_t n = length(random); n > 0; --n) text += Utf8(Alphabet()[pick(random)]);
        texts.push_back(text);
    }
    return texts;
}

struct Made {
    std::vector<std::vector<Word>> words;
    std::vector<std::string> folded;
};

// Everything the index and the viewer make of the texts, with `libraries`.
Made MakeWith(const TextLibraries& libraries, const std::vector<std::string>& texts) {
    UseTextLibraries(&libraries);
    Made made;
    for (const std::string& text : texts) {
        made.words.push_back(SplitWords(text));
        made.folded.push_back(FoldWord(text));
    }
    return made;
}

TEST_F(TextLibrariesTest, LibrariesLoadedInTheProcessAreFoundByTheirRelease) {
    const FoundLibraries found = LookUpTextLibraries();
    ASSERT_TRUE(found.libraries) << found.whyNone;
    EXPECT_EQ(found.libraries->release, "ICU " + std::to_string(U_ICU_VERSION_MAJOR_NUM));
}

TEST_F(TextLibrariesTest, FoundAndLinkedLibrariesMakeTheSameWordsAndKeys) {
    const std::vector<std::string> texts = RandomTexts(400);
    const Made linked = MakeWith(LinkedTextLibraries(), texts);
    const Made found = MakeWith(LibrariesFound(), texts);
    std::size_t words = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i]);
        ASSERT_EQ(found.words[i].size(), linked.words[i].size());
        for (std::size_t w = 0; w < found.words[i].size(); ++w) {
            EXPECT_EQ(found.words[i][w].key, linked.words[i][w].key);
            EXPECT_EQ(found.words[i][w].begin, linked.words[i][w].begin);
            EXPECT_EQ(found.words[i][w].end, linked.words[i][w].end);
        }
        words += found.words[i].size();
        EXPECT_EQ(found.folded[i], linked.folded[i]);
    }
    EXPECT_GT(words, texts.size() * 5) << "the texts are mostly words";
}

TEST_F(TextLibrariesTest, WithoutTheLibrariesSearchSaysItIsNotAvailable) {
    const FoundLibraries none = LookUpTextLibraries({.icu = "libicuuc-absent.so."});
    ASSERT_FALSE(none.libraries);
    EXPECT_EQ(none.whyNone, "no ICU library (libicuuc-absent.so.*) was found.");

    UseTextLibraries(nullptr, none.whyNone);
    const std::string sentence =
        "Whole-book search is not available on this system: no ICU library (libicuuc-absent.so.*) was found.";
    EXPECT_EQ(TextLibrariesMissing(), sentence);
    try {
        SplitWords("words");
        ADD_FAILURE() << "words were made without the libraries";
    } catch (const ESearchUnavailable& e) {
        EXPECT_EQ(e.what(), sentence);
    }
    EXPECT_EQ(TextOfHtml("<p>text</p>").body, "text") << "a page's text needs no library";

    UseTextLibraries(&LinkedTextLibraries());
    EXPECT_EQ(TextLibrariesMissing(), "");
    EXPECT_EQ(SplitWords("words").size(), 1u);
}

TEST_F(TextLibrariesTest, ALibraryWithoutAFunctionIsNamedWithIt) {
    // zlib, loaded in every test, taken for ICU: it is found, and lacks
    // ICU's first function.
    const FoundLibraries wrong = LookUpTextLibraries({.icu = "libz.so."});
    ASSERT_FALSE(wrong.libraries);
    EXPECT_EQ(wrong.whyNone, "libz.so.1 has no ubrk_open.");
}

}  // namespace
}  // namespace search
