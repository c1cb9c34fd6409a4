// Character pairs of CJK runs.
#include "CjkGrams.h"

#include "Utf8.h"

#include <cstdint>

namespace search {

namespace {

// The code point of the well-formed UTF-8 sequence at text[at], and its length.
char32_t CodePointAt(std::string_view text, std::size_t at, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
    const std::uint8_t lead = byte(0);
    length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (at + length > text.size()) {
        length = text.size() - at;
        return 0xFFFD;
    }
    if (length == 1) return lead;
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (byte(i) & 0x3F);
    return c;
}

bool IsCjk(char32_t c) {
    return (c >= 0x3040 && c <= 0x30FF) ||    // Hiragana, Katakana
           (c >= 0x31F0 && c <= 0x31FF) ||    // Katakana phonetic extensions
           (c >= 0x3400 && c <= 0x4DBF) ||    // Han extension A
           (c >= 0x4E00 && c <= 0x9FFF) ||    // Han
           (c >= 0xF900 && c <= 0xFAFF) ||    // Han compatibility
           (c >= 0x1100 && c <= 0x11FF) ||    // Hangul Jamo
           (c >= 0x3130 && c <= 0x318F) ||    // Hangul compatibility Jamo
           (c >= 0xAC00 && c <= 0xD7AF) ||    // Hangul syllables
           (c >= 0x20000 && c <= 0x3FFFF);    // Han extensions B and on
}

}  // namespace

bool IsCjkKey(std::string_view key) {
    if (key.empty()) return false;
    for (std::size_t at = 0, length = 0; at < key.size(); at += length)
        if (!IsCjk(CodePointAt(key, at, length))) return false;
    return true;
}

std::vector<std::string> CharacterPairs(std::string_view run) {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < run.size(); ++at)
        if (IsLeadByte(run[at])) starts.push_back(at);
    starts.push_back(run.size());
    if (starts.size() <= 2) return {std::string(run)};
    std::vector<std::string> pairs;
    for (std::size_t i = 0; i + 2 < starts.size(); ++i)
        pairs.emplace_back(run.substr(starts[i], starts[i + 2] - starts[i]));
    return pairs;
}

std::size_t CharCount(std::string_view text) {
    std::size_t chars = 0;
    for (const char c : text) chars += IsLeadByte(c);
    return chars;
}

}  // namespace search
