// Content held in memory (the search index) made into a chunked block at
// once, its chunks deflated side by side. Part of the compiler, which alone
// deflates with libdeflate.
#pragma once

#include "AccessIndex.h"
#include "ChunkDeflate.h"
#include "PageRange.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace SimExe {

struct ChunkedBlock {
    std::string payload;
    AccessIndex index;
};

// The content cut into chunks of `chunkSize`, deflated at `level` (see
// ZLibEx::DeflateChunk) on every core and sealed when `sealed` is given.
// Byte for byte the same for any number of cores.
ChunkedBlock MakeChunkedBlock(std::string_view content, std::size_t chunkSize, int level = ZLibEx::kDefaultChunkLevel,
                              const SealedBlock* sealed = nullptr);

}  // namespace SimExe
