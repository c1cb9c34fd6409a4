// The default choice of a program that must run on any release: the text
// libraries found at run time.
#include "LibraryLookup.h"

namespace search {

const TextLibraries* DefaultTextLibraries(std::string& whyNone) {
    static const FoundLibraries found = LookUpTextLibraries();
    whyNone = found.whyNone;
    return found.libraries ? &*found.libraries : nullptr;
}

}  // namespace search

// Named to the linker, so that it takes this choice from its archive.
extern "C" const char zorbin_text_libraries_choice[] = "found";
