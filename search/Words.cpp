// Words as readers search for them. ICU's word break iterator finds them in
// UTF-8 text, in any language (its dictionaries split Chinese, Japanese,
// Thai, Lao, Khmer and Burmese, which have no spaces), and one folding turns
// each into its key, both for the index the compiler writes and for the
// words a reader types, so that the two agree:
//   1. NFKC_Casefold: Unicode case folding ("ß" is "ss", "ΆΛΦΑ" is "άλφα"),
//      compatibility forms ("ＡＢＣ" is "abc", "ﬁ" is "fi", half-width "ｶ" is
//      "カ"), and default-ignorable characters (soft hyphens) dropped;
//   2. typographic apostrophes ("’", "‘", "ʼ") become "'", as readers type it;
//   3. accents dropped: NFD, then the nonspacing marks on Latin, Greek and
//      Cyrillic letters removed ("café" is "cafe", "İ" is "i", "ё" is "е").
//      Marks on letters of other scripts stay, because there they make the
//      letter: Japanese dakuten ("が" is not "か"), Indic vowel signs, Thai
//      vowels and tone marks;
//   4. NFC, so that kept marks join their letters again.
#include "Words.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>

namespace search {
namespace {

void CheckIcu(UErrorCode status, const char* what) {
    if (U_FAILURE(status)) throw std::runtime_error(std::string(what) + ": " + u_errorName(status));
}

// ICU counts in int32_t; pages are a few megabytes at most.
void CheckLength(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::length_error("search: text of 2 GiB or more");
}

// ICU's normalizers are immutable singletons, safe to share between threads.
struct Normalizers {
    const icu::Normalizer2* nfkcCasefold;
    const icu::Normalizer2* nfd;
    const icu::Normalizer2* nfc;
};

const Normalizers& SharedNormalizers() {
    static const Normalizers normalizers = [] {
        UErrorCode status = U_ZERO_ERROR;
        const Normalizers made{icu::Normalizer2::getNFKCCasefoldInstance(status),
                               icu::Normalizer2::getNFDInstance(status), icu::Normalizer2::getNFCInstance(status)};
        CheckIcu(status, "ICU normalizers");
        return made;
    }();
    return normalizers;
}

// This thread's word break iterator: an iterator is used by one thread at a
// time, so each thread works on its own clone of one made once (cloning is
// cheaper than making one, and ICU allows cloning from several threads).
icu::BreakIterator& ThreadWordBreaker() {
    static const std::unique_ptr<icu::BreakIterator> prototype = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
        CheckIcu(status, "ICU word break iterator");
        return made;
    }();
    thread_local const std::unique_ptr<icu::BreakIterator> breaker(prototype->clone());
    if (!breaker) throw std::bad_alloc();
    return *breaker;
}

// Rule statuses of number, letter, kana and ideographic words; everything
// else (spaces, punctuation, symbols, emoji) is UBRK_WORD_NONE.
bool IsWordStatus(std::int32_t status) {
    return status >= UBRK_WORD_NUMBER && status < UBRK_WORD_IDEO_LIMIT;
}

bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool HasLetterOrDigit(std::string_view utf8) {
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(utf8.size());) {
        UChar32 c;
        U8_NEXT(utf8.data(), i, static_cast<std::int32_t>(utf8.size()), c);
        if (c >= 0 && (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_N_MASK))) return true;
    }
    return false;
}

// "don’t" and "don't" are one word to a reader.
void UnifyApostrophes(icu::UnicodeString& text) {
    for (std::int32_t i = 0; i < text.length(); ++i) {
        const char16_t c = text.charAt(i);
        if (c == u'\u2019' || c == u'\u2018' || c == u'\u02BC') text.setCharAt(i, u'\'');
    }
}

// Scripts whose nonspacing marks are accents, which readers leave out.
bool TakesAccents(UChar32 letter) {
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(letter, &status);
    return script == USCRIPT_LATIN || script == USCRIPT_GREEK || script == USCRIPT_CYRILLIC;
}

// Copies decomposed text without the nonspacing marks that follow a letter
// of a script that takes accents.
void DropAccents(const icu::UnicodeString& decomposed, icu::UnicodeString& unaccented) {
    unaccented.remove();
    bool onAccentedLetter = false;
    for (std::int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        i += U16_LENGTH(c);
        if (u_charType(c) == U_NON_SPACING_MARK) {
            if (onAccentedLetter) continue;
        } else {
            onAccentedLetter = TakesAccents(c);
        }
        unaccented.append(c);
    }
}

// Folds words into keys, reusing its buffers from word to word.
class KeyFolder {
public:
    // The key of one word, "" when it holds no letter or digit; valid until
    // the next call.
    std::string_view Fold(std::string_view word) {
        key_.clear();
        if (IsAscii(word)) {
            // What the full folding does to ASCII, without the trip through UTF-16.
            for (const char c : word) key_ += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        } else {
            FoldUnicode(word);
        }
        return HasLetterOrDigit(key_) ? std::string_view(key_) : std::string_view();
    }

private:
    void FoldUnicode(std::string_view word) {
        const Normalizers& normalizers = SharedNormalizers();
        UErrorCode status = U_ZERO_ERROR;
        ToUtf16(word, status);
        normalizers.nfkcCasefold->normalize(word_, folded_, status);
        UnifyApostrophes(folded_);
        normalizers.nfd->normalize(folded_, decomposed_, status);
        DropAccents(decomposed_, unaccented_);
        normalizers.nfc->normalize(unaccented_, composed_, status);
        CheckIcu(status, "ICU folding");
        composed_.toUTF8String(key_);
    }

    // Into word_, each ill-formed sequence as U+FFFD. UTF-16 never needs
    // more units than UTF-8 has bytes.
    void ToUtf16(std::string_view word, UErrorCode& status) {
        const auto capacity = static_cast<std::int32_t>(word.size());
        std::int32_t length = 0;
        u_strFromUTF8WithSub(word_.getBuffer(capacity), capacity, &length, word.data(), capacity, 0xFFFD, nullptr,
                             &status);
        word_.releaseBuffer(U_SUCCESS(status) ? length : 0);
    }

    icu::UnicodeString word_, folded_, decomposed_, unaccented_, composed_;
    std::string key_;
};

}  // namespace

void ForEachWord(std::string_view text, const std::function<void(std::string_view, std::size_t, std::size_t)>& take) {
    CheckLength(text);
    icu::BreakIterator& breaker = ThreadWordBreaker();
    // ICU reads the UTF-8 where it is: the boundaries it gives are byte
    // offsets, and ill-formed bytes read as U+FFFD, which is no word.
    UErrorCode status = U_ZERO_ERROR;
    UText utf8 = UTEXT_INITIALIZER;
    utext_openUTF8(&utf8, text.empty() ? "" : text.data(), static_cast<std::int64_t>(text.size()), &status);
    breaker.setText(&utf8, status);  // keeps a shallow clone of utf8
    utext_close(&utf8);
    CheckIcu(status, "ICU word breaking");

    KeyFolder folder;
    std::int32_t begin = breaker.first();
    for (std::int32_t end = breaker.next(); end != icu::BreakIterator::DONE; begin = end, end = breaker.next()) {
        if (!IsWordStatus(breaker.getRuleStatus())) continue;
        const std::string_view key = folder.Fold(text.substr(begin, end - begin));
        if (!key.empty()) take(key, static_cast<std::size_t>(begin), static_cast<std::size_t>(end));
    }
}

std::vector<Word> SplitWords(std::string_view text) {
    std::vector<Word> words;
    ForEachWord(text, [&](std::string_view key, std::size_t begin, std::size_t end) {
        words.push_back(Word{std::string(key), begin, end});
    });
    return words;
}

std::string FoldWord(std::string_view word) {
    CheckLength(word);
    KeyFolder folder;
    return std::string(folder.Fold(word));
}

std::vector<std::string> KeyParts(std::string_view key) {
    static constexpr std::string_view kJoins = "._";
    std::vector<std::string> parts;
    if (key.find_first_of(kJoins) == std::string_view::npos) return parts;
    std::size_t start = 0;
    while (start <= key.size()) {
        const std::size_t stop = std::min(key.find_first_of(kJoins, start), key.size());
        if (stop > start) parts.emplace_back(key.substr(start, stop - start));
        start = stop + 1;
    }
    return parts;
}

}  // namespace search
