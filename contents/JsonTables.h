// Tables of contents that books carry as JSON, read with json-glib:
// Doxygen's navigation tree (navtreedata.js and the files it names) and the
// sitemap.json of pandoc's chunked HTML. Links are returned as the files
// write them, relative to the book's folder of those files. A file that is
// not what it should be gives nothing and a problem in words.
#pragma once

#include "PageOutline.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace contents {

// A part of Doxygen's tree by its name: the bytes of NAME.js beside
// navtreedata.js, or nothing.
using NavTreePart = std::function<std::optional<std::string>(const std::string& name)>;

// The tree of `var NAVTREE = [...]`: each entry [title, link, children],
// its children an array, null, or the name of a part that assigns their
// array to a variable of that name. The first entry is the project itself;
// its children are the tree.
std::optional<std::vector<ListItem>> DoxygenNavTree(std::string_view navtreedata, const NavTreePart& part,
                                                    std::string& problem);

// The subsections of a sitemap.json's top section, each {"section": {"title",
// "number", "path", ...}, "subsections": [...]}; a numbered title is shown
// with its number, as pandoc's own table shows it.
std::optional<std::vector<ListItem>> PandocSitemap(std::string_view json, std::string& problem);

}  // namespace contents
