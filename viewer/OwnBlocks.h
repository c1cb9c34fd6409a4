// The eBook's own blocks, made ready before the viewer's window starts.
#pragma once

namespace viewer {

// Maps the program's own file into the block store and indexes its blocks on
// a thread of its own while the window and the web view start. A file that
// cannot be read is left to the first block read to report.
void PrepareOwnBlocks();

}  // namespace viewer
