// What a page says of the book's structure, read in one pass with the
// search's HTML scanner: its title and headings, its links in order, the
// page it names as the next one, and the nested lists of its tables of
// contents (Sphinx's toctrees, <nav> elements).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace contents {

// An entry of a nested list: the text of its item (before any list inside
// it), the first link in that text, and the items of the list inside it.
struct ListItem {
    std::string text;
    std::string href;  // empty when the item links nowhere (a heading)
    std::vector<ListItem> children;
};

struct Heading {
    int level;       // 1 to 3
    std::string id;  // the heading's id, else that of the section it opens; may be empty
    std::string text;
};

struct PageOutline {
    std::string title;               // the <title>, else the first heading
    std::vector<Heading> headings;   // h1 to h3, in order
    std::vector<std::string> links;  // the href of every <a>, in order
    std::string next;                // the href of <link rel="next">, if any
    std::vector<ListItem> toctrees;  // the items of every div.toctree-wrapper, in order
    std::vector<ListItem> tocNav;    // the items of <nav epub:type="toc"> or role="doc-toc"
    std::vector<ListItem> nav;       // the items of the first other <nav> that holds a list
};

// The outline of a page of UTF-8 HTML.
PageOutline OutlineOf(std::string_view html);

// The entries of an HTML Help sitemap (.hhc) in UTF-8.
std::vector<ListItem> SitemapOf(std::string_view html);

}  // namespace contents
