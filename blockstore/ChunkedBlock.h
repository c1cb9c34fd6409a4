// Chunked blocks: one zlib stream of independently deflated (or stored)
// chunks, and the access index that says where each chunk lies, so that a
// range of the content is read by inflating only its chunks. In a protected
// book each chunk is sealed on its own (see BlockSeal.h), the sealed chunks
// one after the other with no zlib header or trailer. The compile writes its
// large pages chunk by chunk as its workers deflate them; content held in
// memory (the search index) is made into one at once (ChunkedBlockMaker.h).
#pragma once

#include "AccessIndex.h"
#include "Chunks.h"
#include "PageRange.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace SimExe {

// The tags that begin block markers: a payload must never hold them raw.
std::string_view StartTag();
std::string_view EndTag();

// Writes a chunked block's payload to a sink as its chunks come, in order,
// and makes its access index meanwhile.
class ChunkedBlockWriter {
public:
    using Sink = std::function<void(std::string_view)>;
    // Chunks are sealed one by one when `sealed` is given.
    explicit ChunkedBlockWriter(Sink sink, const SealedBlock* sealed = nullptr);

    // The next chunk: its deflated bytes, made of `size` bytes of content.
    void Add(const ZLibEx::DeflatedChunk& chunk, std::uint64_t size);
    // Ends the stream (the zlib trailer, unless sealed); the access index.
    AccessIndex Finish();

private:
    void Put(std::string_view bytes);

    Sink sink_;
    const SealedBlock* sealed_;
    AccessIndex index_;
    std::uint64_t payloadSize_ = 0;
    std::uint32_t adler_ = 1;
    std::string lastSealed_;  // the chunk sealed last, which the next one follows
};

}  // namespace SimExe
