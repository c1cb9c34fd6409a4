// ASCII text, whatever the locale: character classes, letter case and
// trimming for names, labels, headers and markup. Every byte from 0x80 on is
// left as it is and belongs to no class, so UTF-8 and other encodings pass
// through untouched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ascii {

// HTML's ASCII white space: tab, line feed, form feed, carriage return and
// space. The vertical tab is not among them.
constexpr bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

// The white space of C's isspace() in the "C" locale: HTML's and the
// vertical tab.
constexpr bool IsCSpace(char c) { return IsSpace(c) || c == '\v'; }

constexpr bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool IsAlpha(char c) { return IsUpper(c) || IsLower(c); }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAlnum(char c) { return IsAlpha(c) || IsDigit(c); }

constexpr char ToLower(char c) { return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ToUpper(char c) { return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = ToLower(c);
    return lower;
}

inline std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = ToUpper(c);
    return upper;
}

// Whether the two are the same text in any ASCII letter case.
constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToLower(a[i]) != ToLower(b[i])) return false;
    return true;
}

// Whether `text` begins with `prefix` in any ASCII letter case.
constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// `text` without the characters at either end for which `drop` holds.
template <class Predicate>
constexpr std::string_view TrimIf(std::string_view text, Predicate drop) {
    while (!text.empty() && drop(text.front())) text.remove_prefix(1);
    while (!text.empty() && drop(text.back())) text.remove_suffix(1);
    return text;
}

// `text` without HTML's white space (see IsSpace) at either end.
constexpr std::string_view Trim(std::string_view text) { return TrimIf(text, IsSpace); }

// `text` without spaces and tabs at either end: the optional white space
// around an HTTP header's value and its parts.
constexpr std::string_view TrimSpacesAndTabs(std::string_view text) {
    return TrimIf(text, [](char c) { return c == ' ' || c == '\t'; });
}

// The value of a hexadecimal digit, or -1.
constexpr int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    const char lower = ToLower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// `text` with each byte for which `escape` holds written as %XX (upper-case hex).
template <class Predicate>
std::string PercentEncoded(std::string_view text, Predicate escape) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!escape(byte)) {
            encoded += c;
            continue;
        }
        encoded += '%';
        encoded += kHex[byte >> 4];
        encoded += kHex[byte & 15];
    }
    return encoded;
}

// `text` with its %XX escapes decoded; a '%' that starts none stays.
inline std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        int high, low;
        if (text[i] == '%' && i + 2 < text.size() && (high = HexValue(text[i + 1])) >= 0 &&
            (low = HexValue(text[i + 2])) >= 0) {
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

}  // namespace ascii
