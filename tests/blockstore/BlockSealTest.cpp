// Sealed blocks in the block store, with a seal made for the test: which
// names a protected book seals, sealing that never leaves a marker's tag in
// the bytes, and ranges of pages sealed chunk by chunk, whose changed,
// swapped or unopenable chunks are damage.
#include "ChunkedBlock.h"
#include "ChunkedPage.h"
#include "PageRange.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <random>

using namespace SimExe;

namespace {

// The payload (each byte XORed with the variant) behind its name and part,
// and a sum of them all: it opens only unchanged, under its own name and part.
class TestSeal final : public BlockSeal {
public:
    std::string Seal(std::string_view plain, std::string_view name, std::uint64_t part,
                     std::uint32_t variant = 0) const override {
        std::string body(plain);
        for (char& c : body) c = static_cast<char>(c ^ variant);
        const std::string label = "|" + FoldName(name) + "|" + std::to_string(part) + "|" + std::to_string(variant);
        return body + label + std::to_string(ZLibEx::Adler32(body + label));
    }
    bool OpenInto(std::string_view sealed, std::string_view name, std::uint64_t part, std::string& plain) const override {
        for (std::uint32_t variant = 0; variant < 256; ++variant) {
            const std::string label = "|" + FoldName(name) + "|" + std::to_string(part) + "|" + std::to_string(variant);
            const std::size_t at = sealed.rfind(label);
            if (at == std::string_view::npos) continue;
            const std::string_view body = sealed.substr(0, at), sum = sealed.substr(at + label.size());
            if (sum != std::to_string(ZLibEx::Adler32(std::string(body) + label))) return false;
            plain = body;
            for (char& c : plain) c = static_cast<char>(c ^ variant);
            return true;
        }
        return false;
    }
};

}  // namespace

TEST(BlockSeal, AProtectedBookSealsAllButTheTitleToolbarAndPasswordRecord) {
    for (const char* open : {"ctoolbar", "CPROJECT", "cPass"}) EXPECT_FALSE(IsSealedBlockName(open)) << open;
    for (const char* sealed : {"cOnStart", "chome", "cabout", "index.html", "/zorbin/search", "/zorbin/access/a"})
        EXPECT_TRUE(IsSealedBlockName(sealed)) << sealed;
    TBlockStore store;
    EXPECT_FALSE(store.SealOf("index.html"));
    store.SetSeal(std::make_shared<TestSeal>());
    EXPECT_TRUE(store.SealOf("index.html"));
    EXPECT_FALSE(store.SealOf("cproject"));
}

TEST(BlockSeal, SealedBytesNeverHoldAMarkersTagAlsoWhereTheyJoinTheChunkBefore) {
    const TestSeal seal;
    const std::string tag(StartTag()), end(EndTag());
    for (const std::string& plain : {"before " + tag + " after", end + " first", std::string("plain")}) {
        const std::string sealed = SealPayload(seal, plain, "page", 0);
        EXPECT_EQ(sealed.find(tag), std::string::npos);
        EXPECT_EQ(sealed.find(end), std::string::npos);
        EXPECT_EQ(seal.Open(sealed, "page", 0), plain);
    }
    // A chunk whose first bytes would finish a tag begun by the chunk before.
    const std::string before = "chunk ending in " + tag.substr(0, 2);
    const std::string sealed = SealPayload(seal, tag.substr(2) + " and on", "page", 1, before);
    EXPECT_EQ((before + sealed).find(tag), std::string::npos);
    EXPECT_EQ(seal.Open(sealed, "page", 1), tag.substr(2) + " and on");
}

TEST(BlockSeal, RangesOfAPageSealedChunkByChunk) {
    const TestSeal seal;
    const SealedBlock sealedAs{seal, "film.webm"};
    std::mt19937 gen(15);
    const std::string content = MixedContent(300000, gen, 30000);
    const ChunkedBlock block = MakeChunkedBlock(content, 40000, ZLibEx::kDefaultChunkLevel, &sealedAs);
    ASSERT_TRUE(block.index.sealed);
    EXPECT_EQ(block.payload.find(content.substr(100000, 50)), std::string::npos);
    const std::string indexBlock = seal.Seal(ZLibEx::CompressString(EncodeAccessIndex(block.index), ZLibEx::lvDefault),
                                             AccessIndexName("film.webm"), BlockSeal::kWholeBlock);
    for (const auto& [offset, length] : {std::pair<std::uint64_t, std::uint64_t>{0, 10}, {39990, 20}, {123456, 100000},
                                         {299990, 100}, {0, UINT64_MAX}}) {
        const PageBytes read = ReadPageRange(block.payload, indexBlock, offset, length, &sealedAs);
        EXPECT_EQ(read.bytes, content.substr(offset, length)) << offset;
        EXPECT_EQ(read.pageSize, content.size());
    }
    // Opened under another name, or without the seal, the page is damaged.
    const SealedBlock otherName{seal, "other.webm"};
    EXPECT_FALSE(AccessIndexOf(indexBlock, block.payload.size(), &otherName));
    EXPECT_THROW(ReadPageRange(block.payload, &block.index, 0, 10, &otherName), ZLibEx::EZDecompressionError);
    EXPECT_THROW(ReadPageRange(block.payload, &block.index, 0, 10, nullptr), ZLibEx::EZDecompressionError);

    // A changed chunk is damage to the ranges that read it, and only to them.
    std::string changed = block.payload;
    changed[block.index.chunks[3].payloadOffset + 5] ^= 1;
    EXPECT_THROW(ReadPageRange(changed, &block.index, 3 * 40000 + 10, 10, &sealedAs), ZLibEx::EZDecompressionError);
    EXPECT_EQ(ReadPageRange(changed, &block.index, 10, 10, &sealedAs).bytes, content.substr(10, 10));
    // Chunks 1 and 2 swapped, their offsets following them, so that only
    // the chunks' own part numbers tell.
    const std::size_t order[] = {0, 2, 1, 3, 4, 5, 6, 7};
    ASSERT_EQ(block.index.chunks.size(), std::size(order));
    std::string reordered;
    AccessIndex swapped = block.index;
    for (std::size_t k = 0; k < std::size(order); ++k) {
        const std::uint64_t from = block.index.chunks[order[k]].payloadOffset;
        swapped.chunks[k].payloadOffset = reordered.size();
        reordered += block.payload.substr(from, block.index.PayloadEnd(order[k], block.payload.size()) - from);
    }
    EXPECT_THROW(ReadPageRange(reordered, &swapped, 40000 + 5, 10, &sealedAs), ZLibEx::EZDecompressionError);
}
