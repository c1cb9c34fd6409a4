// Content held in memory made into a chunked block, as the compiler makes a
// large page on its workers: one zlib stream of independently deflated (or
// stored) chunks, and the access index that says where each chunk lies, so
// that a range of the content is read by inflating only its chunks.
#pragma once

#include "AccessIndex.h"
#include "Chunks.h"
#include "PageRange.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace SimExe {

// The tags that begin block markers: a payload must never hold them raw.
std::string_view StartTag();
std::string_view EndTag();

struct ChunkedBlock {
    std::string payload;
    AccessIndex index;
};

// Byte for byte the same for any number of cores; the chunks are deflated
// at `level` (see ZLibEx::DeflateChunk).
ChunkedBlock MakeChunkedBlock(std::string_view content, std::size_t chunkSize, int level = ZLibEx::kDefaultChunkLevel);

// The same block with each chunk sealed on its own (see BlockSeal.h), as a
// protected book keeps it: the sealed chunks one after the other, and the
// index pointing at them.
ChunkedBlock SealChunks(const ChunkedBlock& block, const SealedBlock& sealed);

}  // namespace SimExe
