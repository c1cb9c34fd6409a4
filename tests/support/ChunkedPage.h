// Builds a chunked page the plain way, one chunk after another on one
// thread: its block payload (one zlib stream) and its access index, for
// tests of readers that must not care how the compiler made them.
#pragma once

#include "AccessIndex.h"
#include "Chunks.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <string>
#include <string_view>

struct ChunkedPage {
    std::string payload;
    SimExe::AccessIndex index;
    std::string EncodedIndex() const { return SimExe::EncodeAccessIndex(index); }
    // Appends the page block and its access index block, as the compiler does.
    template <typename Container>
    void AppendTo(Container& container, const std::string& name) const {
        SimExe::AppendBlock(name, payload, container);
        SimExe::AppendBlock(SimExe::AccessIndexName(name), ZLibEx::CompressString(EncodedIndex(), ZLibEx::lvDefault),
                            container);
    }
};

inline ChunkedPage MakeChunkedPage(std::string_view content, std::size_t chunkSize) {
    ChunkedPage page;
    page.payload = ZLibEx::ZlibHeader();
    page.index.fileSize = content.size();
    std::uint32_t adler = 1;
    std::size_t at = 0;
    do {
        const std::string_view piece = content.substr(at, chunkSize);
        const bool last = at + piece.size() == content.size();
        const ZLibEx::DeflatedChunk chunk = ZLibEx::DeflateChunk(piece, last);
        page.index.chunks.push_back({page.payload.size(), at, chunk.adler, chunk.stored});
        page.payload += chunk.bytes;
        adler = ZLibEx::CombineAdler32(adler, chunk.adler, piece.size());
        at += piece.size();
    } while (at < content.size());
    page.payload += ZLibEx::ZlibTrailer(adler);
    return page;
}
