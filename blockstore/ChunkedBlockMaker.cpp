// Chunked blocks made from content in memory.
#include "ChunkedBlockMaker.h"

#include "ChunkedBlock.h"
#include "SharedWork.h"

#include <algorithm>
#include <vector>

namespace SimExe {

// The chunks are deflated on every core, then written in order.
ChunkedBlock MakeChunkedBlock(std::string_view content, std::size_t chunkSize, int level, const SealedBlock* sealed) {
    const std::size_t count = content.empty() ? 1 : (content.size() + chunkSize - 1) / chunkSize;
    std::vector<ZLibEx::DeflatedChunk> chunks(count);
    base::ShareOut(count, [&](std::size_t i) {
        chunks[i] = ZLibEx::DeflateChunk(content.substr(i * chunkSize, chunkSize), i + 1 == count,
                                         {StartTag(), EndTag()}, level);
    });
    ChunkedBlock block;
    ChunkedBlockWriter writer([&](std::string_view bytes) { block.payload += bytes; }, sealed);
    for (std::size_t i = 0; i < count; ++i) writer.Add(chunks[i], std::min(chunkSize, content.size() - i * chunkSize));
    block.index = writer.Finish();
    return block;
}

}  // namespace SimExe
