// The character set a browser reads a page in, and the page's bytes read in
// it as UTF-8. Safe to call from several threads at once.
#pragma once

#include <string>
#include <string_view>

namespace search {

// The kinds of page searched (KindOfPage tells them by name). An HTML page
// may declare its character set inside; plain text never does.
enum class PageKind { kNone, kHtml, kText };

// The character set a browser reads a page in: a byte-order mark, else for
// HTML a <meta charset> or http-equiv Content-Type among the first 1024
// bytes (else the encoding of an XML declaration opening the page, as XHTML
// has), else UTF-8 when the bytes are valid UTF-8, else windows-1252.
// Returned as the name glibc's iconv knows the set by, read as browsers read
// its label: "UTF-8", "UTF-16LE", "CP932" for Shift_JIS (windows-31j),
// "WINDOWS-1252" for ISO-8859-1 and US-ASCII, "GB18030" for GB2312 and GBK...
std::string CharsetOf(std::string_view bytes, PageKind kind);

// `bytes` read in `charset` (a name CharsetOf returns) as clean UTF-8 (see
// CleanUtf8), each sequence not in the set U+FFFD; bytes in a set iconv does
// not know are read as UTF-8.
std::string ToUtf8(std::string_view bytes, const std::string& charset);

// The same text without a copy where `bytes` already are clean UTF-8 (most
// pages): a view of them, else of `converted`, which then holds them read
// by ToUtf8.
std::string_view AsUtf8(std::string_view bytes, const std::string& charset, std::string& converted);

}  // namespace search
