// Tables of contents that books carry as XML files of their own, read with
// libxml2 (no network, no external entities): a Devhelp book's chapters, and
// an EPUB's package (META-INF/container.xml, its package document, and the
// NCX of EPUB 2). Links are returned as the file writes them, relative to it.
// A file that is not what it should be gives nothing and a problem in words.
#pragma once

#include "PageOutline.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace contents {

// The <sub> tree of a .devhelp2 file's <chapters>.
std::optional<std::vector<ListItem>> DevhelpChapters(std::string_view xml, std::string& problem);

// The package document an EPUB's container.xml names (its full-path, from
// the book's root).
std::optional<std::string> EpubPackagePath(std::string_view containerXml, std::string& problem);

// What an EPUB package document names: its navigation document (the
// manifest item with the "nav" property) and its NCX (the spine's toc),
// either may be empty; both relative to the package document.
struct EpubTables {
    std::string nav, ncx;
};
std::optional<EpubTables> EpubTablesOf(std::string_view packageXml, std::string& problem);

// The navPoint tree of an NCX's navMap.
std::optional<std::vector<ListItem>> NcxNavMap(std::string_view xml, std::string& problem);

}  // namespace contents
