// The text of a page as readers search it: what a browser shows of an HTML
// page (its title, headings, body text and image alt texts; never scripts,
// styles, templates, comments or <noscript>, read as with scripts on), or a
// plain-text page, read in the character set a browser would read it in, as
// valid UTF-8 (bytes not in that character set U+FFFD, NUL bytes dropped).
// All functions are safe to call from several threads at once. libxml2 is
// the one of TextLibrariesInUse(): without it, reading HTML raises
// ESearchUnavailable.
#pragma once

#include "PageCharset.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace search {

struct PageText {
    std::string title;                  // the <title>, else the first heading; may be empty
    std::vector<std::string> headings;  // each h1..h6, in document order
    // Everything shown in the body, headings and alt texts included, in
    // document order. Block-level boundaries (p, div, li, td, br, h1..h6,
    // ...) are line breaks, as are the line breaks of <pre>; runs of white
    // space are one space. So words never run together across blocks and
    // never split inside inline markup ("w<b>or</b>d" is "word").
    std::string body;
};

// Which pages are searched, by their name's extension in any letter case:
// .htm, .html and .xhtml as HTML, .txt as plain text.
PageKind KindOfPage(std::string_view pageName);

// The text of an HTML page, parsed with libxml2's HTML parser, as far as it
// can be read: a broken page gives what could be read, never an error.
PageText TextOfHtml(std::string_view bytes);
// A plain-text page: the title is its first non-empty line (at most 200
// characters), the body all of it, its lines kept.
PageText TextOfPlainText(std::string_view bytes);
// The text of a page by its name's kind; nothing for pages not searched.
std::optional<PageText> TextOfPage(std::string_view pageName, std::string_view bytes);

}  // namespace search
