// A chunked page made the plain way, one chunk after another on one thread
// (its block payload, one zlib stream, and its access index), for tests of
// readers that must not care how the compiler made them.
#pragma once

#include "AccessIndex.h"
#include "ChunkedBlockMaker.h"
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
    SimExe::ChunkedBlock block = SimExe::MakeChunkedBlock(content, chunkSize);
    return {std::move(block.payload), std::move(block.index)};
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
