// Which blocks of a protected book are sealed.
#include "BlockSeal.h"

#include "SimExe.h"

namespace SimExe {

bool IsSealedBlockName(std::string_view blockName) {
    const std::string folded = FoldName(blockName);
    return folded != "CTOOLBAR" && folded != "CPROJECT" && folded != "CPASS";
}

}  // namespace SimExe
