// ICU and libxml2 as the program was linked with them: the compiler's.
#pragma once

#include "TextLibraries.h"

namespace search {

const TextLibraries& LinkedTextLibraries();

}  // namespace search
