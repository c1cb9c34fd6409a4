// Chunked zlib streams deflated with libdeflate: plain zlib reads them
// whole, each chunk inflates on its own, a chunk that is not the last ends as
// after zlib's full flush, incompressible chunks are stored, and a lone
// compressed chunk is exactly what libdeflate makes of the content.
#include "ChunkDeflate.h"
#include "ChunkedBlock.h"
#include "ChunkedPage.h"
#include "Chunks.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <memory>
#include <optional>
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

// The content with the block markers' tags in it every few thousand bytes,
// as an eBook inside an eBook holds them.
std::string WithMarkerTags(std::string content) {
    for (std::size_t at = 100, i = 0; at + 8 < content.size(); at += 3001, ++i)
        content.replace(at, 4, i % 2 ? SimExe::StartTag() : SimExe::EndTag());
    return content;
}

// The zlib stream as zlib's own one-call inflate reads it, with room for one
// byte more than expected; nothing when zlib refuses it.
std::optional<std::string> Uncompress(const std::string& stream, std::size_t expected) {
    std::string out(expected + 1, '\0');
    uLongf size = static_cast<uLongf>(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(stream.data()),
                   static_cast<uLong>(stream.size())) != Z_OK)
        return std::nullopt;
    out.resize(size);
    return out;
}

// What libdeflate's own zlib format makes of the content at a level.
std::string LibdeflateZlibStream(const std::string& content, int level) {
    const std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
        libdeflate_alloc_compressor(level), libdeflate_free_compressor);
    std::string out(libdeflate_zlib_compress_bound(compressor.get(), content.size()), '\0');
    out.resize(libdeflate_zlib_compress(compressor.get(), content.data(), content.size(), out.data(), out.size()));
    return out;
}

}  // namespace

// Down to the zlib header: libdeflate marks level 6 as zlib's default, the
// header every chunked stream begins with. A few bytes libdeflate keeps as
// they are, in the stored blocks a stored chunk is made of.
TEST(Chunks, OneChunkIsWhatLibdeflateMakesOfTheContent) {
    for (std::size_t n : {0u, 1u, 2u, 100u, 65535u, 65536u, 300000u}) {
        const std::string text = Text(n, 1);
        const ChunkedPage page = MakeChunkedPage(text, n + 1);
        EXPECT_EQ(page.payload, LibdeflateZlibStream(text, kDefaultChunkLevel)) << n;
        EXPECT_EQ(page.index.chunks[0].stored, n < 100) << n;
    }
}

TEST(Chunks, JoinedChunksAreOneStreamAroundEverySizeBorder) {
    const std::size_t chunk = 70000;  // over one stored block
    for (std::size_t n : {std::size_t(0), std::size_t(1), chunk - 1, chunk, chunk + 1, 2 * chunk, 5 * chunk + 3}) {
        for (const std::string& content : {Text(n, 2), RandomBytes(n, 3), Mixed(n, 4), WithMarkerTags(Mixed(n, 5))}) {
            {
                const ChunkedPage page = MakeChunkedPage(content, chunk);
                ASSERT_EQ(Uncompress(page.payload, n), content) << n;
                ASSERT_EQ(DecompressString(page.payload), content) << n;
                EXPECT_EQ(page.payload.find(SimExe::StartTag()), std::string::npos) << n;
                EXPECT_EQ(page.payload.find(SimExe::EndTag()), std::string::npos) << n;
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
    // A byte libdeflate keeps as it is; a short text it deflates.
    EXPECT_TRUE(DeflateChunk("x", true).stored);
    EXPECT_FALSE(DeflateChunk(Text(200, 8), true).stored);
    EXPECT_TRUE(DeflateChunk(RandomBytes(300, 8), true).stored);
}

// Chunks wait for the writer counted by their size: none keeps the room the
// worst case of deflate would need, several times what text deflates to.
TEST(Chunks, ADeflatedChunkHoldsNoMoreMemoryThanItsBytes) {
    const std::string text = Text(1 << 20, 22);
    for (const bool last : {false, true}) {
        const DeflatedChunk chunk = DeflateChunk(text, last);
        ASSERT_LT(chunk.bytes.size(), text.size() / 3);
        EXPECT_LE(chunk.bytes.capacity(), chunk.bytes.size() + 16) << last;
    }
}

// libdeflate ends every stream with its final block. A chunk that is not the
// last has that block made an ordinary one and ends with an empty stored
// block on a byte boundary, wherever in its last byte the final block ended
// and however many blocks it holds; the next chunk goes on from there.
TEST(Chunks, AChunkThatIsNotTheLastEndsAsAfterAFullFlush) {
    std::mt19937 gen(21);
    for (int i = 0; i < 110; ++i) {
        const bool large = i >= 100;  // many blocks
        const std::size_t n = 1 + gen() % (large ? 700000 : 3000);
        const std::string content = i % 3 == 0 ? Mixed(n, i) : Text(n, i);
        for (int level : {1, 4, kDefaultChunkLevel, 12}) {
            if (large && level > kDefaultChunkLevel) continue;
            const DeflatedChunk chunk = DeflateChunk(content, false, {}, level);
            SCOPED_TRACE(std::to_string(n) + " bytes at level " + std::to_string(level));
            ASSERT_GE(chunk.bytes.size(), 4u);
            if (!chunk.stored) {
                EXPECT_EQ(chunk.bytes.substr(chunk.bytes.size() - 4), std::string("\0\0\xFF\xFF", 4));
            }
            std::string alone(n, '\0');
            EXPECT_TRUE(InflateChunk(chunk.bytes, false, alone.data(), n));
            EXPECT_EQ(alone, content);
            EXPECT_FALSE(InflateChunk(chunk.bytes, true, alone.data(), n)) << "no final block";
            const DeflatedChunk next = DeflateChunk(content, true, {}, level);
            const std::string stream = ZlibHeader() + chunk.bytes + next.bytes +
                                       ZlibTrailer(CombineAdler32(chunk.adler, next.adler, n));
            EXPECT_EQ(Uncompress(stream, 2 * n), content + content);
        }
    }
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
                                          {true, 4}, {false, 9}, {true, 12}}) {
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
