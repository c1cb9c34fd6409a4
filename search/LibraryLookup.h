// ICU and libxml2 found at run time, in whatever release the system has.
#pragma once

#include "TextLibraries.h"

#include <optional>
#include <string>
#include <vector>

namespace search {

// Where to look: how each library's file name begins, up to its release.
// ICU's symbols carry its major release too (ubrk_open_76); libxml2's
// releases are tried in order when none is loaded.
struct LibraryNames {
    std::string icu = "libicuuc.so.";
    std::string libxml = "libxml2.so.";
    std::vector<std::string> libxmlReleases = {"16", "2"};
};

struct FoundLibraries {
    std::optional<TextLibraries> libraries;
    std::string whyNone;  // what could not be found, when nothing was
};

// Takes each library from what the process has loaded already (WebKitGTK
// loads both into every program that shows a web view), else from the
// first file of that name the dynamic loader finds. A library found stays
// loaded for as long as the process runs.
FoundLibraries LookUpTextLibraries(const LibraryNames& names = {});

}  // namespace search
