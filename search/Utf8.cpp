// Well-formed UTF-8, checked with most of most pages taken eight ASCII bytes
// at a time.
#include "Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace search {

namespace {

// The length of the well-formed UTF-8 sequence at s[i] (no overlong forms,
// surrogates or code points past U+10FFFF), 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    if (static_cast<std::uint8_t>(s[i]) < 0x80) return 1;
    const auto byte = [&](std::size_t k) { return i + k < s.size() ? static_cast<std::uint8_t>(s[i + k]) : 0; };
    const auto continues = [&](std::size_t k, std::uint8_t low = 0x80, std::uint8_t high = 0xBF) {
        return byte(k) >= low && byte(k) <= high;
    };
    const std::uint8_t lead = byte(0);
    if (lead < 0xC2) return 0;
    if (lead < 0xE0) return continues(1) ? 2 : 0;
    if (lead < 0xF0) {
        const bool second = continues(1, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF);
        return second && continues(2) ? 3 : 0;
    }
    if (lead < 0xF5) {
        const bool second = continues(1, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF);
        return second && continues(2) && continues(3) ? 4 : 0;
    }
    return 0;
}

// How many bytes from s[i] on are ASCII other than NUL, counted eight at a
// time: most of most pages.
std::size_t PlainAsciiRun(std::string_view s, std::size_t i) {
    constexpr std::uint64_t kLow = 0x0101010101010101u, kHigh = 0x8080808080808080u;
    const std::size_t start = i;
    for (std::uint64_t eight; i + 8 <= s.size(); i += 8) {
        std::memcpy(&eight, s.data() + i, 8);
        if (((eight | ((eight - kLow) & ~eight)) & kHigh) != 0) break;  // a byte >= 0x80, or a NUL
    }
    while (i < s.size() && s[i] != '\0' && static_cast<std::uint8_t>(s[i]) < 0x80) ++i;
    return i - start;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        if (const std::size_t ascii = PlainAsciiRun(s, i)) {
            i += ascii;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(s, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

namespace {

// Where the first byte from `from` on stands that CleanUtf8 drops or
// replaces (a NUL, or one that starts no valid sequence); npos for none.
std::size_t FirstUnclean(std::string_view s, std::size_t from) {
    for (std::size_t i = from; i < s.size();) {
        const std::size_t length = s[i] == '\0' ? 0 : std::max(PlainAsciiRun(s, i), Utf8SequenceLength(s, i));
        if (length == 0) return i;
        i += length;
    }
    return std::string_view::npos;
}

std::string_view WithoutBom(std::string_view s) { return s.starts_with(kUtf8Bom) ? s.substr(kUtf8Bom.size()) : s; }

}  // namespace

std::optional<std::string_view> AlreadyCleanUtf8(std::string_view s) {
    s = WithoutBom(s);
    if (FirstUnclean(s, 0) != std::string_view::npos) return std::nullopt;
    return s;
}

std::string CleanUtf8(std::string_view s) {
    s = WithoutBom(s);
    std::string clean;
    clean.reserve(s.size());
    std::size_t runStart = 0;
    for (std::size_t i = FirstUnclean(s, 0); i != std::string_view::npos; i = FirstUnclean(s, runStart)) {
        clean.append(s.substr(runStart, i - runStart));
        if (s[i] != '\0') clean.append(kReplacementChar);
        runStart = i + 1;
    }
    clean.append(s.substr(runStart));
    return clean;
}

std::string_view LeadingChars(std::string_view s, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool startsChar = (static_cast<std::uint8_t>(s[i]) & 0xC0) != 0x80;
        if (startsChar && chars++ == maxChars) return s.substr(0, i);
    }
    return s;
}

}  // namespace search
