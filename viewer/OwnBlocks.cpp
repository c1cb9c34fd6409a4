// Maps and indexes the eBook's own blocks ahead of the window.
#include "OwnBlocks.h"

#include "SimExe.h"

namespace viewer {

void PrepareOwnBlocks() {
    try {
        if (SimExe::BlockStore().empty()) SimExe::LoadOwnImage();
        SimExe::BlockStore().IndexInBackground();
    } catch (const SimExe::EFileError&) {
    }
}

}  // namespace viewer
