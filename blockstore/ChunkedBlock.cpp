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

ChunkedBlockWriter::ChunkedBlockWriter(Sink sink, const SealedBlock* sealed) : sink_(std::move(sink)), sealed_(sealed) {
    index_.sealed = sealed != nullptr;
    if (!sealed_) Put(ZLibEx::ZlibHeader());
}

void ChunkedBlockWriter::Put(std::string_view bytes) {
    payloadSize_ += bytes.size();
    sink_(bytes);
}

void ChunkedBlockWriter::Add(const ZLibEx::DeflatedChunk& chunk, std::uint64_t size) {
    index_.chunks.push_back({payloadSize_, index_.fileSize, chunk.adler, chunk.stored});
    index_.fileSize += size;
    adler_ = ZLibEx::CombineAdler32(adler_, chunk.adler, size);
    if (!sealed_) return Put(chunk.bytes);
    lastSealed_ = SealPayload(sealed_->seal, chunk.bytes, sealed_->name, index_.chunks.size() - 1, lastSealed_);
    Put(lastSealed_);
}

AccessIndex ChunkedBlockWriter::Finish() {
    if (!sealed_) Put(ZLibEx::ZlibTrailer(adler_));
    return std::move(index_);
}

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
