// Chunked zlib streams: any zlib reads them whole, each chunk inflates on
// its own, incompressible chunks are stored, and a lone compressed chunk is
// exactly what CompressString makes.
#include "ChunkedPage.h"
#include "Chunks.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace ZLibEx;

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

std::string Text(std::size_t n, unsigned seed) {
    static const char* const words[] = {"eBook ", "page ", "chapter ", "<p>", "</p>\n", "index ", "the ", "of "};
    std::mt19937 gen(seed);
    std::string s;
    while (s.size() < n) s += words[gen() % 8];
    s.resize(n);
    return s;
}

// Half text, half random, in pieces smaller than a chunk.
std::string Mixed(std::size_t n, unsigned seed) {
    std::string s;
    for (unsigned i = 0; s.size() < n; ++i) s += i % 2 ? RandomBytes(5000, seed + i) : Text(7000, seed + i);
    s.resize(n);
    return s;
}

}  // namespace

TEST(Chunks, OneCompressedChunkIsWhatCompressStringMakes) {
    for (std::size_t n : {0u, 1u, 2u, 100u, 65535u, 65536u, 300000u}) {
        const std::string text = Text(n, 1);
        const ChunkedPage page = MakeChunkedPage(text, n + 1);
        EXPECT_EQ(page.payload, CompressString(text, lvDefault)) << n;
        EXPECT_FALSE(page.index.chunks[0].stored);
    }
}

TEST(Chunks, JoinedChunksAreOneStreamAroundEverySizeBorder) {
    const std::size_t chunk = 70000;  // over one stored block
    for (std::size_t n : {std::size_t(0), std::size_t(1), chunk - 1, chunk, chunk + 1, 2 * chunk, 5 * chunk + 3}) {
        for (const std::string& content : {Text(n, 2), RandomBytes(n, 3), Mixed(n, 4)}) {
            {
                const ChunkedPage page = MakeChunkedPage(content, chunk);
                ASSERT_EQ(DecompressString(page.payload), content) << n;
                std::string streamed;
                EXPECT_EQ(InflateStream(page.payload, [&](std::string_view piece) { streamed += piece; }), n);
                EXPECT_EQ(streamed, content);
                for (std::size_t i = 0; i < page.index.chunks.size(); ++i) {
                    const SimExe::ChunkEntry& c = page.index.chunks[i];
                    const std::size_t size = page.index.ContentEnd(i) - c.fileOffset;
                    std::string alone(size, '\0');
                    const bool last = i + 1 == page.index.chunks.size();
                    ASSERT_TRUE(InflateChunk(std::string_view(page.payload).substr(
                                                 c.payloadOffset, page.index.PayloadEnd(i, page.payload.size()) -
                                                                      c.payloadOffset),
                                             last, alone.data(), size));
                    EXPECT_EQ(alone, content.substr(c.fileOffset, size));
                    EXPECT_EQ(c.adler, Adler32(alone));
                }
            }
        }
    }
}

TEST(Chunks, WhatHardlyShrinksIsStoredWhatShrinksIsDeflated) {
    const std::string random = RandomBytes(1 << 20, 5);
    EXPECT_TRUE(DeflateChunk(random, false).stored);
    EXPECT_FALSE(DeflateChunk(Text(1 << 20, 6), false).stored);
    // Samples of random bytes, a text in between: the whole chunk decides.
    std::string patchy = random;
    patchy.replace(100000, 600000, Text(600000, 7));
    EXPECT_FALSE(DeflateChunk(patchy, true).stored);
    // A byte or two deflate into less than a stored block takes.
    EXPECT_FALSE(DeflateChunk("x", true).stored);
    EXPECT_TRUE(DeflateChunk(RandomBytes(300, 8), true).stored);
}

// Content that holds sequences its container must never see raw (an eBook
// inside an eBook holds block markers): the chunk never shows them, stored,
// deflated at any level or cut into blocks of every length, and still
// inflates to it.
TEST(Chunks, SequencesThatMustNeverBeRawNeverAre) {
    const std::string_view never[] = {"#1!#", "!2!#"};
    std::vector<std::string> contents = {RandomBytes(1 << 20, 11), Text(200000, 12), RandomBytes(300, 13)};
    std::mt19937 gen(14);
    for (std::string& c : contents)
        for (int i = 0; i < 50; ++i) c.replace(gen() % (c.size() - 8), 7, i % 2 ? "#1!#1!#" : "!2!#SET");
    // Stored blocks whose header would join the block's first bytes into a
    // tag: after a cut inside a tag, and after a block of the largest size.
    contents.push_back("#1!#" + RandomBytes(0xCEDC - 2, 15));
    contents.push_back("!2!#" + RandomBytes(0xCDDE - 2, 16));
    contents.push_back(RandomBytes(65535, 17) + "1!#" + RandomBytes(0xDC00 - 3, 18));
    contents.push_back(RandomBytes(65535, 19) + "2!#" + RandomBytes(0xDE00 - 3, 20));
    for (const std::string& content : contents) {
        for (const auto& [last, level] : {std::pair{false, kDefaultChunkLevel}, {true, kDefaultChunkLevel}, {false, 1},
                                          {true, 4}, {false, 9}}) {
            const DeflatedChunk chunk = DeflateChunk(content, last, {never[0], never[1]}, level);
            EXPECT_EQ(chunk.bytes.find(never[0]), std::string::npos) << content.size() << " at level " << level;
            EXPECT_EQ(chunk.bytes.find(never[1]), std::string::npos) << content.size() << " at level " << level;
            std::string back(content.size(), '\0');
            EXPECT_TRUE(InflateChunk(chunk.bytes, last, back.data(), back.size()));
            EXPECT_EQ(back, content);
        }
    }
}

TEST(Chunks, InflateChunkRefusesWhatDoesNotMatch) {
    const ChunkedPage page = MakeChunkedPage(Text(300000, 9), 100000);
    const std::string_view payload = page.payload;
    const auto raw = [&](std::size_t i) {
        return payload.substr(page.index.chunks[i].payloadOffset,
                              page.index.PayloadEnd(i, payload.size()) - page.index.chunks[i].payloadOffset);
    };
    std::string out(100001, '\0');
    EXPECT_TRUE(InflateChunk(raw(1), false, out.data(), 100000));
    EXPECT_FALSE(InflateChunk(raw(1), false, out.data(), 99999));   // makes more
    EXPECT_FALSE(InflateChunk(raw(1), false, out.data(), 100001));  // makes fewer
    EXPECT_FALSE(InflateChunk(raw(1), true, out.data(), 100000));   // no final block
    EXPECT_FALSE(InflateChunk(raw(2), false, out.data(), 100000));  // a final block too early
    EXPECT_FALSE(InflateChunk(raw(1).substr(0, raw(1).size() / 2), false, out.data(), 100000));
    EXPECT_FALSE(InflateChunk(raw(1).substr(1), false, out.data(), 100000));
}

TEST(Chunks, InflateStreamRefusesDamagedStreams) {
    const ChunkedPage page = MakeChunkedPage(RandomBytes(200000, 10), 50000);
    std::string flipped = page.payload;
    flipped[flipped.size() / 2] ^= 0x10;  // inside a stored chunk: only the checksum tells
    std::string badTrailer = page.payload;
    badTrailer.back() ^= 1;
    for (const std::string& damaged : {flipped, badTrailer, page.payload.substr(0, page.payload.size() - 1),
                                       std::string(), std::string("\x78\x9C", 2)})
        EXPECT_THROW(InflateStream(damaged, nullptr), EZDecompressionError);
}
