// The text of a page as readers search it: what a browser shows of an HTML
// page (its title, headings, body text and image alt texts; never scripts,
// styles, templates, comments or <noscript>, read as with scripts on), but
// for the site's navigation (<nav>, role="navigation" or "search"), which
// every page repeats and whose links lead to the pages with its words; or a
// plain-text page, read in the character set a browser would read it in, as
// valid UTF-8 (bytes not in that character set U+FFFD, NUL bytes dropped).
// All functions are safe to call from several threads at once.
#pragma once

#include "PageCharset.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace search {

// A place of a page that has a name a link can reach it by (page.html#name).
struct PageAnchor {
    std::string name;   // the id or name, as the page spells it
    std::string label;  // the text it names: the first line of the body from
                        // there, without a trailing "¶" (at most 200 characters)
    std::size_t at;     // where the label starts in the body
};

struct PageText {
    std::string title;                  // the <title>, else the first heading; may be empty
    std::vector<std::string> headings;  // each h1..h6, in document order
    // The names that stand for something: the ids of headings, dt terms,
    // sections and articles, and the names and ids of <a> and empty <span>
    // markers, except ids a generator numbered ("id3", "index-12").
    std::vector<PageAnchor> anchors;
    // Where the text of links stands in the body: [begin, end) byte ranges,
    // in order.
    std::vector<std::pair<std::size_t, std::size_t>> links;
    std::string mainHeading;      // the first h1, else the first heading
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

// Which of a book's pages are the source text of another page, and so are
// not searched apart from it: a text file X.txt beside X.html (or .htm,
// .xhtml), and the copies documentation generators keep in a _sources
// folder, _sources/X.rst.txt or _sources/X.txt for X.html. Letter case
// does not matter.
std::vector<bool> SourceCopies(const std::vector<std::string>& pageNames);

// The text of an HTML page, read as a browser reads it (HtmlScanner.h), as
// far as it can be read: a broken page gives what could be read, never an
// error.
PageText TextOfHtml(std::string_view bytes);
// An HTML page's text, read only as far as its reader needs (a snippet
// needs the text up to its hits): the body read so far never changes as
// more is read.
class HtmlTextReader {
public:
    // `bytes` stay where they are while the reader reads them.
    explicit HtmlTextReader(std::string_view bytes);
    ~HtmlTextReader();
    HtmlTextReader(const HtmlTextReader&) = delete;
    HtmlTextReader& operator=(const HtmlTextReader&) = delete;

    // Reads the page once, asking `enough` each time about `step` more
    // bytes of the body are read, and stopping when it answers true.
    void Read(const std::function<bool(const HtmlTextReader&)>& enough, std::size_t step);
    // Whether all of the page was read.
    bool Ended() const;
    std::string_view Body() const;
    // Where the named place stands in the body, once it is read.
    std::optional<std::size_t> AnchorAt(std::string_view name) const;
    // The whole text: the page read to its end.
    PageText Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The place of that name standing at `at` in a page's body, labelled as
// PageAnchor says.
PageAnchor LabelledAnchor(std::string name, std::string_view body, std::size_t at);

// A plain-text page: the title is its first non-empty line (at most 200
// characters), the body all of it, its lines kept.
PageText TextOfPlainText(std::string_view bytes);
// The text of a page by its name's kind; nothing for pages not searched.
std::optional<PageText> TextOfPage(std::string_view pageName, std::string_view bytes);

}  // namespace search
