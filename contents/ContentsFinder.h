// Finds a book's table of contents when it is compiled. Sources are tried
// in order and the first that gives entries wins:
//   1. a table the folder carries: an EPUB's navigation document (or its
//      NCX), an HTML Help sitemap (.hhc), a Devhelp book (.devhelp2), a
//      Doxygen tree (navtreedata.js and its parts), pandoc's sitemap.json;
//   2. table markup in the first page, or in the first page it links to
//      that has some: Sphinx's toctrees (each leaf page's own toctree
//      adding its children), else a <nav> of nested lists;
//   3. the chain of rel="next" links from the first page;
//   4. the first page, then the pages it links to in order, followed
//      depth-first a few levels, each page once, with each page's h1 to h3
//      below it.
// A source that is there but damaged is reported and the next is tried;
// finding contents never fails a compile.
#pragma once

#include "Contents.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace contents {

struct BookFiles {
    std::vector<std::string> pages;  // every file's block name
    std::string firstPage;
    // A file's bytes, or nothing when it cannot be read.
    std::function<std::optional<std::string>(const std::string& page)> read;
};

struct Found {
    Contents contents;                  // no entries when no source gave any
    std::vector<std::string> problems;  // damaged sources, in words
};

Found FindContents(const BookFiles& book);

}  // namespace contents
