// Well-formed UTF-8 as a browser reads it: checking bytes for it, and making
// any bytes into it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace search {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";  // U+FFFD

// Whether the bytes are well-formed UTF-8: no overlong forms, surrogates or
// code points past U+10FFFF.
bool IsValidUtf8(std::string_view s);

// UTF-8 as the page text wants it: a leading byte-order mark dropped, NUL
// bytes dropped (browsers show nothing for them, where libxml2 would make
// them spaces that split words), and each byte that starts no valid sequence
// U+FFFD.
std::string CleanUtf8(std::string_view s);

// The bytes themselves (without a leading byte-order mark) when CleanUtf8
// would change nothing else in them: most pages, read without a copy.
std::optional<std::string_view> AlreadyCleanUtf8(std::string_view s);

// Whether a byte of UTF-8 starts a character (is no continuation byte).
inline bool IsLeadByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// The first `maxChars` characters of UTF-8 text.
std::string_view LeadingChars(std::string_view s, std::size_t maxChars);

}  // namespace search
