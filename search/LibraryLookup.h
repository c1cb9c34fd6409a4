// ICU found at run time, in whatever release the system has.
#pragma once

#include "TextLibraries.h"

#include <optional>
#include <string>

namespace search {

// Where to look: how the library's file name begins, up to its release.
// ICU's symbols carry its major release too (ubrk_open_76).
struct LibraryNames {
    std::string icu = "libicuuc.so.";
};

struct FoundLibraries {
    std::optional<TextLibraries> libraries;
    std::string whyNone;  // what could not be found, when nothing was
};

// Takes the library from what the process has loaded already (WebKitGTK
// loads it into every program that shows a web view), else from the first
// file of that name the dynamic loader finds. A library found stays loaded
// for as long as the process runs.
FoundLibraries LookUpTextLibraries(const LibraryNames& names = {});

}  // namespace search
