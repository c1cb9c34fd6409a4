// Words and their keys: case and accents fold away but letters stay apart,
// Chinese, Japanese and Thai split into words, identifiers stay whole,
// offsets point at the words as written, and neither bad bytes nor several
// threads at once change that.
#include "Words.h"

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace search {
namespace {

using Strings = std::vector<std::string>;

Strings Keys(std::string_view text) {
    Strings keys;
    for (const Word& word : SplitWords(text)) keys.push_back(word.key);
    return keys;
}

Strings AsWritten(std::string_view text) {
    Strings written;
    for (const Word& word : SplitWords(text)) written.emplace_back(text.substr(word.begin, word.end - word.begin));
    return written;
}

// What every split must give: words in order, inside the text, each keyed
// as FoldWord keys it as written.
void ExpectSoundWords(std::string_view text) {
    std::size_t previousEnd = 0;
    for (const Word& word : SplitWords(text)) {
        ASSERT_LE(previousEnd, word.begin);
        ASSERT_LT(word.begin, word.end);
        ASSERT_LE(word.end, text.size());
        EXPECT_FALSE(word.key.empty());
        EXPECT_EQ(FoldWord(text.substr(word.begin, word.end - word.begin)), word.key);
        previousEnd = word.end;
    }
}

}  // namespace

TEST(Words, CaseAndAccentsFoldAway) {
    const std::vector<Strings> alike = {
        {"cafe", "Café", "CAFE", "café", "cafe\u0301"},  // the last one decomposed
        {"naive", "naïve", "NAÏVE"},
        {"strasse", "Straße", "STRASSE"},
        {"istanbul", "İstanbul", "ISTANBUL"},
        {"αλφα", "ΆΛΦΑ", "άλφα"},
        {"οδοσ", "ΟΔΌΣ", "οδός"},  // final sigma too
        {"елка", "Ёлка", "ЕЛКА"},
        {"abc", "ＡＢＣ", "ａｂｃ"},
        {"file", "ﬁle"},
        {"coop", "co\u00ADop"},  // soft hyphen
        {"don't", "don’t", "DON'T"},
    };
    for (const Strings& words : alike)  // the first of each is the key, which folds to itself
        for (const std::string& word : words) EXPECT_EQ(FoldWord(word), words[0]) << word;
    for (const char* nothing : {"", "...", "—", "😀", "___", " "}) EXPECT_EQ(FoldWord(nothing), "") << nothing;
}

TEST(Words, MarksThatMakeLettersStay) {
    EXPECT_EQ(FoldWord("が"), "が");
    EXPECT_NE(FoldWord("が"), FoldWord("か"));
    EXPECT_EQ(FoldWord("ｶﾞｷﾞ"), "ガギ");  // half-width kana and their dakuten
    EXPECT_EQ(FoldWord("हिन्दी"), "हिन्दी");    // Devanagari vowel signs and virama
    EXPECT_EQ(FoldWord("ง่าย"), "ง่าย");        // Thai tone mark
    EXPECT_NE(FoldWord("ง่าย"), FoldWord("งาย"));
}

TEST(Words, ChineseJapaneseAndThaiSplitIntoWords) {
    for (const std::string text : {"我们在北京大学学习", "東京都に住んでいます", "ภาษาไทยง่ายนิดเดียว"}) {
        const Strings written = AsWritten(text);
        EXPECT_GE(written.size(), 3u) << text;
        std::string joined;
        for (const std::string& word : written) joined += word;
        EXPECT_EQ(joined, text) << "every character belongs to a word";
        ExpectSoundWords(text);
    }
    const Strings chinese = Keys("我们在北京大学学习");
    EXPECT_NE(std::find(chinese.begin(), chinese.end(), "北京"), chinese.end());
    EXPECT_EQ(Keys("I live in 東京 now"), (Strings{"i", "live", "in", "東京", "now"}));
}

TEST(Words, IdentifiersStayWholeAndHaveParts) {
    EXPECT_EQ(Keys("Call os.path.join, e.g. __init__ or x_y with 3.14."),
              (Strings{"call", "os.path.join", "e.g", "__init__", "or", "x_y", "with", "3.14"}));
    EXPECT_EQ(Keys("foo..bar"), (Strings{"foo", "bar"}));

    EXPECT_EQ(KeyParts("os.path"), (Strings{"os", "path"}));
    EXPECT_EQ(KeyParts("os.path.join"), (Strings{"os", "path", "join"}));
    EXPECT_EQ(KeyParts("__init__"), (Strings{"init"}));
    EXPECT_EQ(KeyParts("x_y"), (Strings{"x", "y"}));
    EXPECT_EQ(KeyParts("3.14"), (Strings{"3", "14"}));
    EXPECT_EQ(KeyParts("abc"), Strings{});
    EXPECT_EQ(KeyParts("don't"), Strings{});
    EXPECT_EQ(KeyParts("._"), Strings{});
}

TEST(Words, OffsetsPointAtTheWordsAsWritten) {
    const std::string text = "Ça «coûte» 5 €, naïve Ärger; 東京\xFF" "abc \xE2\x82 ok\xC0\xAF" "end \xED\xA0\x80x";
    EXPECT_EQ(AsWritten(text), (Strings{"Ça", "coûte", "5", "naïve", "Ärger", "東京", "abc", "ok", "end", "x"}));
    EXPECT_EQ(Keys(text), (Strings{"ca", "coute", "5", "naive", "arger", "東京", "abc", "ok", "end", "x"}));
    ExpectSoundWords(text);
}

TEST(Words, PunctuationSpaceAndSymbolsAreNoWords) {
    EXPECT_TRUE(SplitWords("").empty());
    EXPECT_TRUE(SplitWords(std::string_view()).empty());
    EXPECT_TRUE(SplitWords("  ... — !? «» 😀 👍🏽 👨‍👩‍👧 ★ $ % \t\n ___ ").empty());
    EXPECT_TRUE(SplitWords("™ ① ℃").empty()) << "symbols, even those whose folding holds letters or digits";
    EXPECT_EQ(Keys("C'est «ça»!"), (Strings{"c'est", "ca"}));
}

TEST(Words, BadBytesNeverBreakIt) {
    std::mt19937 random(11);
    const std::string pieces[] = {"word ", "東京", "ภาษา", "é", "\xE2\x82", "\xF0\x9F", "\x80", "\xFF", ".", "_"};
    for (int round = 0; round < 20; ++round) {
        std::string bytes(4000, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        std::string mixed;
        while (mixed.size() < 4000) mixed += pieces[random() % std::size(pieces)];
        ExpectSoundWords(bytes);
        ExpectSoundWords(mixed);
        FoldWord(bytes);
        FoldWord(mixed);
    }
}

// The words of text as ICU's word break iterator alone finds them in it.
std::vector<Word> IcuWordsOf(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::BreakIterator> breaker(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
    UText utf8 = UTEXT_INITIALIZER;
    utext_openUTF8(&utf8, text.data(), static_cast<std::int64_t>(text.size()), &status);
    breaker->setText(&utf8, status);
    utext_close(&utf8);
    std::vector<Word> words;
    std::int32_t begin = breaker->first();
    for (std::int32_t end = breaker->next(); end != icu::BreakIterator::DONE; begin = end, end = breaker->next()) {
        if (breaker->getRuleStatus() < UBRK_WORD_NUMBER || breaker->getRuleStatus() >= UBRK_WORD_IDEO_LIMIT) continue;
        std::string key = FoldWord(text.substr(begin, end - begin));
        if (!key.empty()) words.push_back({std::move(key), static_cast<std::size_t>(begin), static_cast<std::size_t>(end)});
    }
    return words;
}

// ASCII text is broken into words without ICU, and text mixing ASCII with
// other characters only partly through it: either way the words are those
// ICU finds in the whole text.
TEST(Words, AsciiAndMixedTextSplitAsIcuSplitsIt) {
    std::vector<std::string> pieces = {"a", "Z", "7", "_", ".", "'", ",", ";", "@", ":", " ", "\t", "\r\n", "é", "\u0301",
                                       "¶", "’", "\u00a0", "中文", "東京", "ภาษา", "\u200b", "\xff"};
    for (char c = 1; c > 0; ++c) pieces.emplace_back(1, c);  // and every ASCII character
    std::mt19937 random(14);
    for (int round = 0; round < 50000; ++round) {
        std::string text;
        for (int length = std::uniform_int_distribution<int>(1, 24)(random); length > 0; --length)
            text += pieces[std::uniform_int_distribution<std::size_t>(0, random() % 3 == 0 ? pieces.size() - 1 : 22)(random)];
        const std::vector<Word> expected = IcuWordsOf(text), found = SplitWords(text);
        ASSERT_EQ(found.size(), expected.size()) << text;
        for (std::size_t i = 0; i < found.size(); ++i) {
            ASSERT_EQ(found[i].key, expected[i].key) << text;
            ASSERT_EQ(found[i].begin, expected[i].begin) << text;
            ASSERT_EQ(found[i].end, expected[i].end) << text;
        }
    }
}

TEST(Words, SeveralThreadsSplitAlike) {
    std::string text;
    while (text.size() < 200000)
        text += "The reader's os.path, 3.14 and café; 東京都に住んでいます。我们在北京大学学习 ภาษาไทย ";
    using Found = std::vector<std::tuple<std::string, std::size_t, std::size_t>>;
    const auto find = [&] {
        Found found;
        for (const Word& word : SplitWords(text)) found.emplace_back(word.key, word.begin, word.end);
        return found;
    };
    const Found expected = find();
    ASSERT_GT(expected.size(), 20000u);
    std::vector<Found> results(6);
    std::vector<std::thread> threads;
    for (Found& result : results) threads.emplace_back([&] { result = find(); });
    for (std::thread& thread : threads) thread.join();
    for (const Found& result : results) EXPECT_TRUE(result == expected);
}

}  // namespace search
