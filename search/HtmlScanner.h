// Reads an HTML page's markup as a browser's parser reads it, as far as the
// page's text needs: its elements, opened and closed as a browser nests
// them (every start gets its end, however the page left them open), their
// attributes, and the text between them with character references decoded.
// Comments, doctypes and processing instructions are passed over; the
// content of script, style and the other raw-text elements is never read as
// markup. One pass, no tree: a page of any size is read at memchr's pace.
#pragma once

#include <span>
#include <string_view>

namespace search {

struct HtmlAttribute {
    std::string_view name;   // in lower case
    std::string_view value;  // references decoded; empty when none is given
};

// What the scanner finds, in document order. The views live until the
// handler returns.
class HtmlHandler {
public:
    virtual ~HtmlHandler() = default;
    // An element's start; its name in lower case. Only the first of each
    // attribute name is listed, as browsers keep it.
    virtual void StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) = 0;
    // The end of the innermost element started and not yet ended.
    virtual void EndElement() = 0;
    // A piece of the text; one text may come in several pieces.
    virtual void Text(std::string_view text) = 0;
    // Asked before each piece of markup is read: true stops the scanner,
    // which then ends no more elements.
    virtual bool StopReading() const { return false; }
};

// Scans a page of well-formed UTF-8 (as ToUtf8 makes it).
void ScanHtml(std::string_view utf8, HtmlHandler& handler);

}  // namespace search
