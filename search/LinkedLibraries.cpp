// The text libraries linked into the program, and the default choice of a
// program that links them.
#include "LinkedLibraries.h"

#include <unicode/uvernum.h>

namespace search {

const TextLibraries& LinkedTextLibraries() {
#define ZORBIN_LINKED_ICU(name) table.icu.name##_ = &::name;
    static const TextLibraries linked = [] {
        TextLibraries table;
        ZORBIN_ICU_FUNCTIONS(ZORBIN_LINKED_ICU)
        table.release = "ICU " U_ICU_VERSION;
        return table;
    }();
#undef ZORBIN_LINKED_ICU
    return linked;
}

const TextLibraries* DefaultTextLibraries(std::string&) { return &LinkedTextLibraries(); }

}  // namespace search

// Named to the linker, so that it takes this choice from its archive.
extern "C" const char zorbin_text_libraries_choice[] = "linked";
