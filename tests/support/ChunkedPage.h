// Builds a chunked page the plain way, one chunk after another on one
// thread: its block payload (one zlib stream) and its access index, for
// tests of readers that must not care how the compiler made them.
#pragma once

#include "AccessIndex.h"
#include "Chunks.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <random>
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

// Runs of random bytes and of one repeated letter, each at most `longestRun`
// long: a page some of whose chunks are stored and some deflated.
inline std::string MixedContent(std::size_t n, std::mt19937& gen, std::size_t longestRun) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n;) {
        const std::size_t run = std::min<std::size_t>(n - i, 1 + gen() % longestRun);
        const bool random = gen() % 2;
        const char repeated = static_cast<char>('a' + gen() % 26);
        for (std::size_t j = 0; j < run; ++j) s[i + j] = random ? static_cast<char>(gen()) : repeated;
        i += run;
    }
    return s;
}
