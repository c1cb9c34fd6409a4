// Chunked blocks written chunk by chunk.
#include "ChunkedBlock.h"

#include "Chunks.h"
#include "SimExe.h"

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

}  // namespace SimExe
