// Chunked blocks made on one thread.
#include "ChunkedBlock.h"

#include "Chunks.h"
#include "SimExe.h"
#include "ZLibEx.h"

namespace SimExe {

std::string_view StartTag() {
    static const std::string tag = StartMarker("").substr(0, 4);
    return tag;
}

std::string_view EndTag() {
    static const std::string tag = EndMarker("");
    return tag;
}

ChunkedBlock MakeChunkedBlock(std::string_view content, std::size_t chunkSize) {
    ChunkedBlock block;
    block.payload = ZLibEx::ZlibHeader();
    block.index.fileSize = content.size();
    std::uint32_t adler = 1;
    std::size_t at = 0;
    do {
        const std::string_view piece = content.substr(at, chunkSize);
        const bool last = at + piece.size() == content.size();
        const ZLibEx::DeflatedChunk chunk = ZLibEx::DeflateChunk(piece, last, {StartTag(), EndTag()});
        block.index.chunks.push_back({block.payload.size(), at, chunk.adler, chunk.stored});
        block.payload += chunk.bytes;
        adler = ZLibEx::CombineAdler32(adler, chunk.adler, piece.size());
        at += piece.size();
    } while (at < content.size());
    block.payload += ZLibEx::ZlibTrailer(adler);
    return block;
}

}  // namespace SimExe
