// Chunked blocks made on one thread.
#include "ChunkedBlock.h"

#include "Chunks.h"
#include "SharedWork.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <algorithm>
#include <vector>

namespace SimExe {

std::string_view StartTag() {
    static const std::string tag = StartMarker("").substr(0, 4);
    return tag;
}

std::string_view EndTag() {
    static const std::string tag = EndMarker("");
    return tag;
}

// The chunks are deflated on every core, then joined in order.
ChunkedBlock MakeChunkedBlock(std::string_view content, std::size_t chunkSize, int level) {
    const std::size_t count = content.empty() ? 1 : (content.size() + chunkSize - 1) / chunkSize;
    std::vector<ZLibEx::DeflatedChunk> chunks(count);
    base::ShareOut(count, [&](std::size_t i) {
        chunks[i] = ZLibEx::DeflateChunk(content.substr(i * chunkSize, chunkSize), i + 1 == count,
                                         {StartTag(), EndTag()}, level);
    });

    ChunkedBlock block;
    block.payload = ZLibEx::ZlibHeader();
    block.index.fileSize = content.size();
    std::uint32_t adler = 1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = i * chunkSize, size = std::min(chunkSize, content.size() - at);
        block.index.chunks.push_back({block.payload.size(), at, chunks[i].adler, chunks[i].stored});
        block.payload += chunks[i].bytes;
        adler = ZLibEx::CombineAdler32(adler, chunks[i].adler, size);
    }
    block.payload += ZLibEx::ZlibTrailer(adler);
    return block;
}

ChunkedBlock SealChunks(const ChunkedBlock& block, const SealedBlock& sealed) {
    ChunkedBlock out;
    out.index = block.index;
    out.index.sealed = true;
    for (std::size_t i = 0; i < block.index.chunks.size(); ++i) {
        const std::uint64_t from = block.index.chunks[i].payloadOffset;
        const std::string_view chunk =
            std::string_view(block.payload).substr(from, block.index.PayloadEnd(i, block.payload.size()) - from);
        out.index.chunks[i].payloadOffset = out.payload.size();
        out.payload += SealPayload(sealed.seal, chunk, sealed.name, i, out.payload);
    }
    return out;
}

}  // namespace SimExe
