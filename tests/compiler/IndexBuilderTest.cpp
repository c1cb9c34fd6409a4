// The search index built on its own thread: the same block, byte for byte,
// as the index written and chunked in one go, whatever bound the pages wait
// under; no block without a page; and a builder left before its end stops.
#include "ChunkedBlockMaker.h"
#include "IndexBuilder.h"
#include "IndexFile.h"
#include "IndexWriter.h"
#include "PageWords.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using compiler::IndexBuilder;

namespace {

// Pages of a few hundred words each, enough for an index of several chunks.
std::vector<std::pair<std::string, search::PageWords>> Pages() {
    std::vector<std::pair<std::string, search::PageWords>> pages;
    for (int i = 0; i < 300; ++i) {
        std::string html = "<html><head><title>Page " + std::to_string(i) + "</title></head><body><h1>Kettle</h1><p>";
        for (int w = 0; w < 300; ++w) html += "word" + std::to_string((i * 7919 + w * 104729) % 5000) + " ";
        html += "</p></body></html>";
        const std::string name = "chapter/" + std::to_string(i) + ".html";
        pages.emplace_back(name, *search::WordsOfPage(name, html));
    }
    return pages;
}

SimExe::ChunkedBlock MadeInOneGo(const std::vector<std::pair<std::string, search::PageWords>>& pages) {
    search::IndexWriter writer;
    for (const auto& [name, words] : pages) writer.Add(name, words);
    return SimExe::MakeChunkedBlock(writer.Finish(), search::kIndexChunkSize, search::kIndexDeflateLevel);
}

}  // namespace

TEST(IndexBuilder, BuildsTheBlockTheIndexMakesInOneGoUnderAnyBound) {
    const auto pages = Pages();
    const SimExe::ChunkedBlock expected = MadeInOneGo(pages);
    ASSERT_GT(expected.index.chunks.size(), 2u);
    // A bound of one byte lets one page wait at a time, however heavy.
    for (std::uint64_t bound : {std::uint64_t(1), std::uint64_t(10000), std::uint64_t(64) << 20}) {
        IndexBuilder builder(nullptr, bound);
        for (const auto& [name, words] : pages) builder.Add(name, words, 5000);
        const std::optional<SimExe::ChunkedBlock> block = builder.Finish();
        ASSERT_TRUE(block) << bound;
        EXPECT_TRUE(block->payload == expected.payload) << bound;
        EXPECT_EQ(SimExe::EncodeAccessIndex(block->index), SimExe::EncodeAccessIndex(expected.index)) << bound;
    }
}

TEST(IndexBuilder, NoPageNoBlock) {
    IndexBuilder builder;
    EXPECT_FALSE(builder.Finish());
}

// A compile that fails leaves its builder behind with pages still waiting:
// it goes without building the index (a hang here is the failure).
TEST(IndexBuilder, ABuilderLeftBeforeItsEndStops) {
    const auto pages = Pages();
    IndexBuilder builder(nullptr, 1);
    for (std::size_t i = 0; i < 20; ++i) builder.Add(pages[i].first, pages[i].second, 1);
}
