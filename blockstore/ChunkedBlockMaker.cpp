// Chunked blocks made from content in memory.
#include "ChunkedBlockMaker.h"

#include "ChunkedBlock.h"
#include "SharedWork.h"

#include <algorithm>
#include <vector>

namespace SimExe {

// The chunks are deflated on every core a batch at a time, and each batch
// is written in order once it is done: the block is held once, with one
// batch beside it. The payload's room is taken at once for the most it can
// hold (the content stored), of which only what is written is touched.
ChunkedBlock MakeChunkedBlock(std::string_view content, std::size_t chunkSize, int level, const SealedBlock* sealed) {
    constexpr std::size_t kBatch = 64;
    constexpr std::size_t kRoomPerChunk = 64;  // for stored blocks' headers, the zlib header and trailer, or a seal
    const std::size_t count = content.empty() ? 1 : (content.size() + chunkSize - 1) / chunkSize;
    ChunkedBlock block;
    block.payload.reserve(content.size() + (count + 1) * kRoomPerChunk);
    ChunkedBlockWriter writer([&](std::string_view bytes) { block.payload += bytes; }, sealed);
    std::vector<ZLibEx::DeflatedChunk> batch;
    for (std::size_t first = 0; first < count; first += kBatch) {
        batch.assign(std::min(kBatch, count - first), {});
        base::ShareOut(batch.size(), [&](std::size_t k) {
            const std::size_t i = first + k;
            batch[k] = ZLibEx::DeflateChunk(content.substr(i * chunkSize, chunkSize), i + 1 == count,
                                            {StartTag(), EndTag()}, level);
        });
        for (std::size_t k = 0; k < batch.size(); ++k)
            writer.Add(batch[k], std::min(chunkSize, content.size() - (first + k) * chunkSize));
    }
    block.index = writer.Finish();
    return block;
}

}  // namespace SimExe
