// Byte ranges of pages against the plain reference (inflate everything,
// slice), through sound, damaged and lying access indexes.
#include "ChunkedPage.h"
#include "PageRange.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace SimExe;
using namespace std::string_literals;

namespace {

std::string Content(std::size_t n, std::mt19937& gen) { return MixedContent(n, gen, 40000); }

std::string Reference(const std::string& content, std::uint64_t offset, std::uint64_t length) {
    return offset >= content.size() ? std::string() : content.substr(offset, std::min<std::uint64_t>(length, content.size() - offset));
}

std::string CompressedIndex(const AccessIndex& index) {
    return ZLibEx::CompressString(EncodeAccessIndex(index), ZLibEx::lvDefault);
}

}  // namespace

TEST(PageRange, RandomRangesMatchTheWholePageSliced) {
    std::mt19937 gen(11);
    for (int file = 0; file < 25; ++file) {
        const std::size_t size = gen() % 400000, chunkSize = 1 + gen() % 90000;
        const std::string content = Content(size, gen);
        const ChunkedPage page = MakeChunkedPage(content, chunkSize);
        const std::string index = CompressedIndex(page.index);
        for (int i = 0; i < 40; ++i) {
            const std::uint64_t offset = gen() % (size + 10), length = i % 8 == 0 ? UINT64_MAX : gen() % 150000;
            const std::string expected = Reference(content, offset, length);
            const PageBytes byIndex = ReadRangeByIndex(page.payload, page.index, offset, length);
            ASSERT_EQ(byIndex.bytes, expected) << size << " " << chunkSize << " " << offset << " " << length;
            EXPECT_EQ(byIndex.pageSize, size);
            EXPECT_EQ(ReadPageRange(page.payload, index, offset, length).bytes, expected);
            const PageBytes streamed = ReadPageRange(page.payload, std::nullopt, offset, length);
            EXPECT_EQ(streamed.bytes, expected);
            EXPECT_EQ(streamed.pageSize, size);
        }
    }
}

// A block of more chunks than are deflated at once is still one stream, its
// index pointing at every chunk across the batches' edges.
TEST(PageRange, ABlockOfManyBatchesOfChunks) {
    std::mt19937 gen(5);
    const std::string content = Content(300000, gen);
    const ChunkedPage page = MakeChunkedPage(content, 2000);
    ASSERT_EQ(page.index.chunks.size(), 150u);
    EXPECT_EQ(ReadPageRange(page.payload, std::nullopt, 0, UINT64_MAX).bytes, content);
    for (const std::uint64_t edge : {64u * 2000, 128u * 2000})
        EXPECT_EQ(ReadRangeByIndex(page.payload, page.index, edge - 10, 20).bytes, content.substr(edge - 10, 20));
}

// Books already made keep being read: an access index is the same bytes in
// every build.
TEST(PageRange, AccessIndexBytesNeverChange) {
    AccessIndex index;
    index.fileSize = 0x0102030405060708;
    index.chunks = {{2, 0, 0x11223344, false}, {0x0A0B0C0D0E0F1011, 0x10000, 0xDEADBEEF, true}};
    EXPECT_EQ(EncodeAccessIndex(index),
              "ZBAX\x01" "\x08\x07\x06\x05\x04\x03\x02\x01" "\x02\x00\x00\x00\x00\x00\x00\x00"
              "\x02\x00\x00\x00\x00\x00\x00\x00" "\x00\x00\x00\x00\x00\x00\x00\x00" "\x44\x33\x22\x11" "\x00"
              "\x11\x10\x0f\x0e\x0d\x0c\x0b\x0a" "\x00\x00\x01\x00\x00\x00\x00\x00" "\xef\xbe\xad\xde" "\x01"s);
    index.sealed = true;
    EXPECT_EQ(EncodeAccessIndex(index)[4], 2);
}

TEST(PageRange, DamagedOrLyingIndexesAreCaughtAndTheStreamDecides) {
    std::mt19937 gen(12);
    const std::string content = Content(500000, gen);
    const ChunkedPage page = MakeChunkedPage(content, 60000);
    const std::size_t n = page.index.chunks.size();
    const std::uint64_t payloadSize = page.payload.size();

    // Lies the decoder catches by itself.
    const std::vector<std::function<void(AccessIndex&)>> impossible = {
        [](AccessIndex& x) { std::swap(x.chunks[2].payloadOffset, x.chunks[3].payloadOffset); },
        [](AccessIndex& x) { std::swap(x.chunks[2].fileOffset, x.chunks[3].fileOffset); },
        [&](AccessIndex& x) { x.chunks.back().payloadOffset = payloadSize; },
        [](AccessIndex& x) { x.chunks.back().fileOffset = x.fileSize; },
        [](AccessIndex& x) { x.chunks[0].payloadOffset = 0; },
        [](AccessIndex& x) { x.chunks[0].fileOffset = 5; },
        [](AccessIndex& x) { x.fileSize = UINT64_MAX; },  // a last chunk past any believable size
        [](AccessIndex& x) { x.chunks.clear(); },
        [](AccessIndex& x) { x.chunks[4].payloadOffset = x.chunks[3].payloadOffset; },
    };
    for (std::size_t i = 0; i < impossible.size(); ++i) {
        AccessIndex lie = page.index;
        impossible[i](lie);
        EXPECT_FALSE(DecodeAccessIndex(EncodeAccessIndex(lie), payloadSize)) << i;
        EXPECT_EQ(ReadPageRange(page.payload, CompressedIndex(lie), 123456, 99999).bytes,
                  Reference(content, 123456, 99999)) << i;
    }
    // Lies that decode, and show only when a chunk is read.
    const std::vector<std::function<void(AccessIndex&)>> plausible = {
        [](AccessIndex& x) { x.chunks[2].adler ^= 1; },
        [](AccessIndex& x) { x.chunks[2].payloadOffset += 1; },
        [](AccessIndex& x) { x.chunks[2].fileOffset -= 1; },
        [](AccessIndex& x) { x.fileSize -= 1; },
    };
    for (std::size_t i = 0; i < plausible.size(); ++i) {
        AccessIndex lie = page.index;
        plausible[i](lie);
        ASSERT_TRUE(DecodeAccessIndex(EncodeAccessIndex(lie), payloadSize)) << i;
        EXPECT_THROW(ReadRangeByIndex(page.payload, lie, 0, UINT64_MAX), EAccessIndexError) << i;
        const PageBytes read = ReadPageRange(page.payload, CompressedIndex(lie), 100000, 200000);
        EXPECT_EQ(read.bytes, Reference(content, 100000, 200000)) << i;
        EXPECT_EQ(read.pageSize, content.size()) << i;
    }
    // Index bytes that are no index at all.
    const std::string encoded = EncodeAccessIndex(page.index);
    for (const std::string& junk : {encoded.substr(0, encoded.size() - 1), encoded + "x", "ZBAX" + encoded.substr(4, 20),
                                    std::string("\x02") + encoded.substr(1), std::string()}) {
        EXPECT_FALSE(DecodeAccessIndex(junk, payloadSize));
        EXPECT_EQ(ReadPageRange(page.payload, ZLibEx::CompressString(junk, ZLibEx::lvDefault), 7, 70).bytes,
                  content.substr(7, 70));
    }
    EXPECT_EQ(ReadPageRange(page.payload, std::string("not zlib"), 7, 70).bytes, content.substr(7, 70));
    EXPECT_GT(n, 5u);
}

TEST(PageRange, AFlippedByteInAChunkMakesThePageDamaged) {
    std::mt19937 gen(13);
    std::string content(300000, '\0');
    for (char& c : content) c = static_cast<char>(gen());
    for (std::size_t i = 150000; i < content.size(); ++i) content[i] = "eBook "[gen() % 6];  // chunks 2 and 3 deflated
    const ChunkedPage page = MakeChunkedPage(content, 75000);
    ASSERT_TRUE(page.index.chunks[0].stored && !page.index.chunks[3].stored);
    for (std::size_t chunk : {1u, 3u}) {
        std::string damaged = page.payload;
        const std::uint64_t from = page.index.chunks[chunk].payloadOffset;
        damaged[from + (page.index.PayloadEnd(chunk, damaged.size()) - from) / 2] ^= 0x40;
        const std::uint64_t at = page.index.chunks[chunk].fileOffset;
        EXPECT_THROW(ReadRangeByIndex(damaged, page.index, at, 10), EAccessIndexError);
        EXPECT_THROW(ReadPageRange(damaged, CompressedIndex(page.index), at, 10), ZLibEx::EZDecompressionError);
        // Ranges the flip does not touch still read through the index, but
        // for the last chunk, which every read checks for the page's size.
        if (chunk == 3) EXPECT_THROW(ReadRangeByIndex(damaged, page.index, 0, 100), EAccessIndexError);
        else EXPECT_EQ(ReadRangeByIndex(damaged, page.index, 0, 100).bytes, content.substr(0, 100));
    }
}

TEST(PageRange, RangesOfBlocksInTheStore) {
    std::mt19937 gen(14);
    const std::string big = Content(250000, gen), small = "<html>small</html>";
    const ChunkedPage page = MakeChunkedPage(big, 64000);
    std::string ebook = "viewer bytes";
    AppendBlock("small.html", ZLibEx::CompressString(small, ZLibEx::lvDefault), ebook);
    page.AppendTo(ebook, "media/Big.bin");
    TBlockStore store;
    store = ebook;
    const std::optional<PageBytes> range = store.ReadRange("MEDIA/big.BIN", 200000, 100000);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->bytes, big.substr(200000));
    EXPECT_EQ(range->pageSize, big.size());
    EXPECT_EQ(store.ReadRange("small.html", 6, 5)->bytes, "small");
    EXPECT_EQ(store.ReadRange("small.html", 100, 5)->bytes, "");
    EXPECT_FALSE(store.ReadRange("missing.html", 0, 5));
    std::string whole;
    ASSERT_TRUE(store.ReadBlock("media/big.bin", whole));
    EXPECT_EQ(whole, big);
}

TEST(PageRange, ARangeLargerThanOneDecompressionMayMakeIsRefused) {
    const ChunkedPage page = MakeChunkedPage(std::string(300000, 'z'), 100000);
    ZLibEx::SetOutputLimit(1000);
    EXPECT_THROW(ReadRangeByIndex(page.payload, page.index, 0, 2000), ZLibEx::EZDecompressionError);
    EXPECT_THROW(ReadPageRange(page.payload, std::nullopt, 0, 2000), ZLibEx::EZDecompressionError);
    EXPECT_EQ(ReadRangeByIndex(page.payload, page.index, 150000, 1000).bytes, std::string(1000, 'z'));
    ZLibEx::SetOutputLimit(0);
}
