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

#include "Ascii.h"
#include "TextLibraries.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace search {
namespace {

void CheckIcu(const IcuFunctions& icu, UErrorCode status, const char* what) {
    if (U_FAILURE(status)) throw std::runtime_error(std::string(what) + ": " + icu.u_errorName_(status));
}

// ICU counts in int32_t; pages are a few megabytes at most.
void CheckLength(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw std::length_error("search: text of 2 GiB or more");
}

// This thread's word break iterator over `icu`: an iterator is used by one
// thread at a time, so each thread opens its own, once.
UBreakIterator* ThreadWordBreaker(const IcuFunctions& icu) {
    struct Owned {
        const IcuFunctions* icu = nullptr;
        UBreakIterator* breaker = nullptr;
        ~Owned() {
            if (breaker) icu->ubrk_close_(breaker);
        }
    };
    thread_local Owned owned;
    if (owned.icu != &icu) {
        UErrorCode status = U_ZERO_ERROR;
        UBreakIterator* opened = icu.ubrk_open_(UBRK_WORD, "", nullptr, 0, &status);
        CheckIcu(icu, status, "ICU word break iterator");
        if (owned.breaker) owned.icu->ubrk_close_(owned.breaker);
        owned.icu = &icu;
        owned.breaker = opened;
    }
    return owned.breaker;
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

// Folds words into keys, reusing its buffers from word to word.
class KeyFolder {
public:
    explicit KeyFolder(const IcuFunctions& icu) : icu_(icu) {
        UErrorCode status = U_ZERO_ERROR;
        nfkcCasefold_ = icu.unorm2_getNFKCCasefoldInstance_(&status);
        nfd_ = icu.unorm2_getNFDInstance_(&status);
        nfc_ = icu.unorm2_getNFCInstance_(&status);
        CheckIcu(icu, status, "ICU normalizers");
    }

    // The key of one word, "" when it holds no letter or digit; valid until
    // the next call.
    std::string_view Fold(std::string_view word) {
        if (IsAscii(word)) return FoldAscii(word);
        key_.clear();
        FoldUnicode(word);
        return HasLetterOrDigit(composed_) ? std::string_view(key_) : std::string_view();
    }

    // What the full folding does to an ASCII word, without the trip
    // through UTF-16.
    std::string_view FoldAscii(std::string_view word) {
        key_.resize(word.size());
        bool alnum = false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            key_[i] = ascii::ToLower(word[i]);
            alnum = alnum || ascii::IsAlnum(word[i]);
        }
        return alnum ? std::string_view(key_) : std::string_view();
    }

    const IcuFunctions& Icu() const { return icu_; }

private:
    void FoldUnicode(std::string_view word) {
        UErrorCode status = U_ZERO_ERROR;
        ToUtf16(word, status);
        Normalize(nfkcCasefold_, word_, folded_, status);
        UnifyApostrophes(folded_);
        Normalize(nfd_, folded_, decomposed_, status);
        DropAccents(decomposed_, unaccented_);
        Normalize(nfc_, unaccented_, composed_, status);
        ToUtf8(composed_, status);
        CheckIcu(icu_, status, "ICU folding");
    }

    // Into word_, each ill-formed sequence as U+FFFD. UTF-16 never needs
    // more units than UTF-8 has bytes.
    void ToUtf16(std::string_view word, UErrorCode& status) {
        word_.resize(word.size());
        std::int32_t length = 0;
        icu_.u_strFromUTF8WithSub_(word_.data(), static_cast<std::int32_t>(word_.size()), &length, word.data(),
                                   static_cast<std::int32_t>(word.size()), 0xFFFD, nullptr, &status);
        word_.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    }

    // Into key_; a UTF-16 unit never takes more than three bytes.
    void ToUtf8(const std::u16string& text, UErrorCode& status) {
        if (U_FAILURE(status)) return;
        key_.resize(text.size() * 3);
        std::int32_t length = 0;
        icu_.u_strToUTF8WithSub_(key_.data(), static_cast<std::int32_t>(key_.size()), &length, text.data(),
                                 static_cast<std::int32_t>(text.size()), 0xFFFD, nullptr, &status);
        key_.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    }

    // `from` in normal form `form`, into `to`, which grows to what it needs.
    void Normalize(const UNormalizer2* form, const std::u16string& from, std::u16string& to, UErrorCode& status) {
        if (U_FAILURE(status)) return;
        to.resize(std::max(to.capacity(), from.size() + 16));
        const auto normalize = [&] {
            return icu_.unorm2_normalize_(form, from.data(), static_cast<std::int32_t>(from.size()), to.data(),
                                          static_cast<std::int32_t>(to.size()), &status);
        };
        std::int32_t length = normalize();
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            status = U_ZERO_ERROR;
            to.resize(static_cast<std::size_t>(length));
            length = normalize();
        }
        to.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    }

    // "don’t" and "don't" are one word to a reader.
    static void UnifyApostrophes(std::u16string& text) {
        for (char16_t& c : text)
            if (c == u'\u2019' || c == u'\u2018' || c == u'\u02BC') c = u'\'';
    }

    // Scripts whose nonspacing marks are accents, which readers leave out.
    bool TakesAccents(UChar32 letter) const {
        UErrorCode status = U_ZERO_ERROR;
        const UScriptCode script = icu_.uscript_getScript_(letter, &status);
        return script == USCRIPT_LATIN || script == USCRIPT_GREEK || script == USCRIPT_CYRILLIC;
    }

    // Copies decomposed text without the nonspacing marks that follow a
    // letter of a script that takes accents.
    void DropAccents(const std::u16string& decomposed, std::u16string& unaccented) const {
        unaccented.clear();
        bool onAccentedLetter = false;
        const auto length = static_cast<std::int32_t>(decomposed.size());
        for (std::int32_t i = 0; i < length;) {
            const std::int32_t start = i;
            UChar32 c;
            U16_NEXT(decomposed.data(), i, length, c);
            if (icu_.u_charType_(c) == U_NON_SPACING_MARK) {
                if (onAccentedLetter) continue;
            } else {
                onAccentedLetter = TakesAccents(c);
            }
            unaccented.append(decomposed, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
        }
    }

    bool HasLetterOrDigit(const std::u16string& text) const {
        const auto length = static_cast<std::int32_t>(text.size());
        for (std::int32_t i = 0; i < length;) {
            UChar32 c;
            U16_NEXT(text.data(), i, length, c);
            if (U_MASK(icu_.u_charType_(c)) & (U_GC_L_MASK | U_GC_N_MASK)) return true;
        }
        return false;
    }

    const IcuFunctions& icu_;
    const UNormalizer2* nfkcCasefold_ = nullptr;
    const UNormalizer2* nfd_ = nullptr;
    const UNormalizer2* nfc_ = nullptr;
    std::u16string word_, folded_, decomposed_, unaccented_, composed_;
    std::string key_;
};

// ---- Word breaking ----------------------------------------------------------

using TakeWord = std::function<void(std::string_view, std::size_t, std::size_t)>;

// The words of text[begin, end) by ICU's word break iterator, as if read
// in the whole text: the stretch starts and ends where nothing around it
// changes its words (see NextStretch).
void IcuWords(std::string_view text, std::size_t begin, std::size_t end, KeyFolder& folder, const TakeWord& take) {
    const IcuFunctions& icu = folder.Icu();
    UBreakIterator* breaker = ThreadWordBreaker(icu);
    const std::string_view stretch = text.substr(begin, end - begin);
    // ICU reads the UTF-8 where it is: the boundaries it gives are byte
    // offsets, and ill-formed bytes read as U+FFFD, which is no word.
    UErrorCode status = U_ZERO_ERROR;
    UText* utf8 = icu.utext_openUTF8_(nullptr, stretch.empty() ? "" : stretch.data(),
                                      static_cast<std::int64_t>(stretch.size()), &status);
    icu.ubrk_setUText_(breaker, utf8, &status);  // keeps a shallow clone of utf8
    icu.utext_close_(utf8);
    CheckIcu(icu, status, "ICU word breaking");
    std::int32_t from = icu.ubrk_first_(breaker);
    for (std::int32_t to = icu.ubrk_next_(breaker); to != UBRK_DONE; from = to, to = icu.ubrk_next_(breaker)) {
        if (!IsWordStatus(icu.ubrk_getRuleStatus_(breaker))) continue;
        const std::string_view key = folder.Fold(stretch.substr(from, to - from));
        if (!key.empty()) take(key, begin + from, begin + to);
    }
}

// What an ASCII character is to ICU's word rules (its root locale).
enum class WordClass : std::uint8_t {
    kOther,
    kLetter,          // A-Z, a-z, and "@" (so that e-mail addresses are words)
    kDigit,           // 0-9
    kJoiner,          // "_", joined to letters and digits on both sides
    kBetweenLetters,  // "." and "'": joined between two letters...
    kBetweenDigits,   // "," and ";" (and "." and "'"): ... or two digits
};

constexpr std::array<WordClass, 128> kWordClasses = [] {
    std::array<WordClass, 128> classes{};
    for (char c = 'a'; c <= 'z'; ++c) classes[c] = classes[c - 'a' + 'A'] = WordClass::kLetter;
    classes['@'] = WordClass::kLetter;
    for (char c = '0'; c <= '9'; ++c) classes[c] = WordClass::kDigit;
    classes['_'] = WordClass::kJoiner;
    classes['.'] = classes['\''] = WordClass::kBetweenLetters;
    classes[','] = classes[';'] = WordClass::kBetweenDigits;
    return classes;
}();

bool IsWordPart(WordClass c) { return c == WordClass::kLetter || c == WordClass::kDigit || c == WordClass::kJoiner; }

// The words of ASCII text[begin, end), found as ICU finds them, without it:
// letters, digits and "_" run together; "." and "'" stay inside a word
// between two letters or two digits, "," and ";" between two digits.
void AsciiWords(std::string_view text, std::size_t begin, std::size_t end, KeyFolder& folder, const TakeWord& take) {
    const auto classAt = [&](std::size_t i) { return kWordClasses[static_cast<unsigned char>(text[i])]; };
    // Whether the character at `i`, inside [begin, end) and no word part,
    // joins the word parts around it.
    const auto joinsAt = [&](std::size_t i) {
        if (i + 1 >= end) return false;
        const WordClass before = classAt(i - 1), after = classAt(i + 1), at = classAt(i);
        if (at == WordClass::kBetweenLetters && before == WordClass::kLetter && after == WordClass::kLetter) return true;
        return (at == WordClass::kBetweenLetters || at == WordClass::kBetweenDigits) && before == WordClass::kDigit &&
               after == WordClass::kDigit;
    };
    for (std::size_t i = begin; i < end;) {
        if (!IsWordPart(classAt(i))) {
            ++i;
            continue;
        }
        std::size_t stop = i + 1;
        while (stop < end && (IsWordPart(classAt(stop)) || joinsAt(stop))) ++stop;
        const std::string_view key = folder.FoldAscii(text.substr(i, stop - i));
        if (!key.empty()) take(key, i, stop);
        i = stop;
    }
}

// A stretch of text: where it ends, and whether it is all ASCII.
struct Stretch {
    std::size_t end;
    bool ascii;
};

// The stretch of text from `from` on, up to where the next one starts: after
// an ASCII space and at an ASCII character that is none. No word spans that
// point, and no rule of ICU's looks across it, so the stretches on either
// side break into the same words alone as in the whole text. The vertical
// tab counts as a space here: to ICU's rules it is a line break, after which
// a word always ends.
Stretch NextStretch(std::string_view text, std::size_t from) {
    bool allAscii = static_cast<unsigned char>(text[from]) < 0x80;
    for (std::size_t i = from + 1; i < text.size(); ++i) {
        const bool isAscii = static_cast<unsigned char>(text[i]) < 0x80;
        if (isAscii && ascii::IsCSpace(text[i - 1]) && !ascii::IsCSpace(text[i])) return {i, allAscii};
        allAscii = allAscii && isAscii;
    }
    return {text.size(), allAscii};
}

// Where the first byte from `from` on that is not ASCII stands, or the
// text's end; eight bytes at a time.
std::size_t FirstNonAscii(std::string_view text, std::size_t from) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    std::size_t i = from;
    for (std::uint64_t eight; i + sizeof eight <= text.size(); i += sizeof eight) {
        std::memcpy(&eight, text.data() + i, sizeof eight);
        if (eight & kHighBits) break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

// Where the stretch (see NextStretch) that holds text[at] starts, given
// that one starts at `from`.
std::size_t StretchStartOf(std::string_view text, std::size_t from, std::size_t at) {
    for (std::size_t i = at; i > from; --i)
        if (static_cast<unsigned char>(text[i]) < 0x80 && ascii::IsCSpace(text[i - 1]) && !ascii::IsCSpace(text[i]))
            return i;
    return from;
}

}  // namespace

// Most text of most books is ASCII: its stretches are broken here, and only
// the stretches with other characters go through ICU, joined into one run
// up to the next stretch of ASCII.
void ForEachWord(std::string_view text, const TakeWord& take) {
    CheckLength(text);
    KeyFolder folder(TextLibrariesInUse().icu);
    for (std::size_t begin = 0; begin < text.size();) {
        const std::size_t other = FirstNonAscii(text, begin);
        const std::size_t icuFrom = other < text.size() ? StretchStartOf(text, begin, other) : text.size();
        AsciiWords(text, begin, icuFrom, folder, take);
        std::size_t icuTo = icuFrom;
        while (icuTo < text.size()) {
            const auto [end, ascii] = NextStretch(text, icuTo);
            if (ascii) break;
            icuTo = end;
        }
        if (icuTo > icuFrom) IcuWords(text, icuFrom, icuTo, folder, take);
        begin = icuTo;
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
    KeyFolder folder(TextLibrariesInUse().icu);
    return std::string(folder.Fold(word));
}

std::vector<std::string> KeyParts(std::string_view key) {
    std::vector<std::string> parts;
    if (IsJoinedKey(key)) ForEachKeyPart(key, [&](std::string_view part) { parts.emplace_back(part); });
    return parts;
}

}  // namespace search
