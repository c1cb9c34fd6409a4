// Page compression on worker threads: every page one zlib stream of the
// file's bytes, chunked above the threshold with an index that points at
// the chunks, the same bytes for any thread count, marker tags never
// stored raw, and a file that fails raising at its own place. (Files that
// change while they are read: BadFolderTest.)
#include "ChunkedBlock.h"
#include "ChunkedPage.h"
#include "PageCompressor.h"
#include "SimExe.h"
#include "TempDir.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <stdexcept>
#include <thread>

using compiler::PageCompressor;

namespace {

constexpr std::size_t kChunk = 4096;
constexpr std::size_t kChunkedAbove = 4 * kChunk;

// Small chunks, so that fixtures stay small.
PageCompressor::Options SmallChunks(unsigned threads) {
    PageCompressor::Options options;
    options.threads = threads;
    options.chunkSize = kChunk;
    options.chunkedAbove = kChunkedAbove;
    return options;
}

struct Page {
    std::string payload;
    std::optional<SimExe::AccessIndex> index;
};

Page Take(PageCompressor& pages, std::size_t i) {
    Page page;
    page.index = pages.TakePage(i, {[&](std::string_view piece) { page.payload += piece; }, nullptr, nullptr}).accessIndex;
    return page;
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

std::string Text(std::size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "<p>paragraph " + std::to_string(i) + " of the page</p>\n";
    s.resize(n);
    return s;
}

enum class Content { kText, kRandom, kTagged };

// Random bytes with the block markers' tags in them, one in every chunk and
// one across the border of two chunks.
std::string WithMarkerTags(std::string content) {
    for (std::size_t at = kChunk / 2; at + 4 <= content.size(); at += kChunk) content.replace(at, 4, SimExe::StartTag());
    if (content.size() > kChunk + 2) content.replace(kChunk - 2, 4, SimExe::EndTag());
    return content;
}

// Files of many sizes, some text, some random bytes, some chunked.
std::vector<std::string> MakeFiles(const TempDir& dir, int count) {
    std::mt19937 gen(3);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const std::size_t size = gen() % (i % 5 == 0 ? 300000 : 5000);
        paths.push_back(dir.Write("f" + std::to_string(i), i % 3 == 0 ? RandomBytes(size, i) : Text(size)));
    }
    return paths;
}

}  // namespace

TEST(PageCompressor, EveryThreadCountAndBoundGivesTheOneThreadBytesInOrder) {
    TempDir dir;
    const std::vector<std::string> paths = MakeFiles(dir, 150);
    std::vector<Page> expected;
    PageCompressor one(paths, SmallChunks(1));
    for (std::size_t i = 0; i < paths.size(); ++i) expected.push_back(Take(one, i));
    for (unsigned threads : {2u, 7u}) {
        PageCompressor pages(paths, SmallChunks(threads));
        for (std::size_t i = 0; i < paths.size(); ++i) ASSERT_TRUE(Take(pages, i).payload == expected[i].payload) << threads;
    }
    PageCompressor::Options tight = SmallChunks(7);
    tight.maxChunksAhead = 2;
    tight.maxBytesAhead = 1;
    PageCompressor pages(paths, tight);
    int chunked = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        ASSERT_TRUE(Take(pages, i).payload == expected[i].payload) << "two chunks ahead";
        ASSERT_TRUE(ZLibEx::DecompressString(expected[i].payload) == ReadFile(paths[i]));
        chunked += expected[i].index.has_value();
    }
    EXPECT_GT(chunked, 10);
}

TEST(PageCompressor, PagesAroundEverySizeBorderAreOneStreamOfTheFile) {
    TempDir dir;
    for (std::size_t n : {std::size_t(0), std::size_t(1), kChunk - 1, kChunk, kChunk + 1, kChunkedAbove - 1,
                          kChunkedAbove, kChunkedAbove + 1, 7 * kChunk + 5}) {
        for (const Content kind : {Content::kText, Content::kRandom, Content::kTagged}) {
            const bool random = kind != Content::kText;
            SCOPED_TRACE(std::to_string(n) + (random ? " random bytes" : " text") + (kind == Content::kTagged ? " with tags" : ""));
            const std::string content = kind == Content::kTagged ? WithMarkerTags(RandomBytes(n, static_cast<unsigned>(n)))
                                        : random                 ? RandomBytes(n, static_cast<unsigned>(n))
                                                                 : Text(n);
            const std::string path = dir.Write("page", content);
            PageCompressor pages({path}, SmallChunks(2));
            const Page page = Take(pages, 0);
            EXPECT_TRUE(ZLibEx::DecompressString(page.payload) == content);
            EXPECT_EQ(page.payload.find(SimExe::StartTag()), std::string::npos);
            EXPECT_EQ(page.payload.find(SimExe::EndTag()), std::string::npos);
            if (n <= kChunkedAbove) {
                EXPECT_FALSE(page.index);
                EXPECT_TRUE(page.payload == MakeChunkedPage(content, n + 1).payload);
                continue;
            }
            ASSERT_TRUE(page.index);
            const auto index =
                SimExe::DecodeAccessIndex(SimExe::EncodeAccessIndex(*page.index), page.payload.size());
            ASSERT_TRUE(index);
            EXPECT_EQ(index->fileSize, n);
            ASSERT_EQ(index->chunks.size(), (n + kChunk - 1) / kChunk);
            for (std::size_t i = 0; i < index->chunks.size(); ++i) {
                const SimExe::ChunkEntry& c = index->chunks[i];
                EXPECT_EQ(c.fileOffset, i * kChunk);
                const std::size_t size = index->ContentEnd(i) - c.fileOffset;
                if (size == kChunk) {
                    EXPECT_EQ(c.stored, random);  // a short tail may deflate smaller
                }
                std::string alone(size, '\0');
                ASSERT_TRUE(ZLibEx::InflateChunk(
                    std::string_view(page.payload)
                        .substr(c.payloadOffset, index->PayloadEnd(i, page.payload.size()) - c.payloadOffset),
                    i + 1 == index->chunks.size(), alone.data(), size))
                    << "chunk " << i;
                EXPECT_TRUE(alone == content.substr(c.fileOffset, size)) << "chunk " << i;
            }
        }
    }
}

// A page holding block markers (an eBook inside an eBook) never shows them
// raw in its payload, where they would cut a block short or be found by a
// lookup: neither where it is stored nor where zlib would store it itself.
TEST(PageCompressor, MarkerTagsInAPageNeverShowRawInItsPayload) {
    const std::string startTag = SimExe::StartMarker("").substr(0, 4), endTag = SimExe::EndMarker("").substr(0, 4);
    TempDir dir;
    std::string chunked = RandomBytes(5 * kChunk, 8);
    chunked.replace(kChunk + 100, 4, startTag);
    chunked.replace(3 * kChunk - 4, 4, endTag);  // at the very end of a chunk
    std::string single = RandomBytes(kChunkedAbove, 9);
    single.replace(kChunk, 4, startTag);
    PageCompressor pages({dir.Write("chunked", chunked), dir.Write("single", single)}, SmallChunks(2));
    for (std::size_t i = 0; i < 2; ++i) {
        const Page page = Take(pages, i);
        EXPECT_EQ(page.payload.find(startTag), std::string::npos) << i;
        EXPECT_EQ(page.payload.find(endTag), std::string::npos) << i;
        EXPECT_TRUE(ZLibEx::DecompressString(page.payload) == (i == 0 ? chunked : single)) << i;
    }
}

TEST(PageCompressor, UnreadableFileFailsAtItsPlaceInTheList) {
    TempDir dir;
    std::vector<std::string> paths = MakeFiles(dir, 20);
    paths[5] = dir / "missing-5";
    paths[12] = dir / "missing-12";
    PageCompressor pages(paths, SmallChunks(3));
    for (std::size_t i = 0; i < 5; ++i) EXPECT_NO_THROW(Take(pages, i));
    try {
        Take(pages, 5);
        FAIL();
    } catch (const SimExe::EFOpenError& e) {
        EXPECT_EQ(e.what(), "Cannot open file " + (dir / "missing-5"));
    }
}

TEST(PageCompressor, WaitingLetsTheWindowRepaint) {
    TempDir dir;
    // One chunk that takes a good part of a second to deflate.
    const std::string big = dir.Write("big", Text(32u << 20));
    PageCompressor::Options options;
    options.threads = 1;
    options.chunkedAbove = 64u << 20;
    PageCompressor pages({big}, options);
    int idle = 0;
    pages.TakePage(0, {[](std::string_view) {}, nullptr, [&] { ++idle; }});
    EXPECT_GT(idle, 0);
}

TEST(PageCompressor, NoFilesAtAll) {
    PageCompressor pages({}, PageCompressor::Options{});
}

// What a compile that asks for words receives: each searched page's words
// once, in list order, with the file's size, then one call that they are
// done; pages are taken as before.
struct WordsReceived {
    std::vector<std::pair<std::size_t, search::PageWords>> pages;
    std::vector<std::uint64_t> sizes;
    int doneCalls = 0;
    bool doneAfterLast = true;  // no page came after the call that they are done

    void Ask(PageCompressor::Options& options) {
        options.pageWords = [this](std::size_t file, search::PageWords words, std::uint64_t size) {
            doneAfterLast = doneCalls == 0;
            pages.emplace_back(file, std::move(words));
            sizes.push_back(size);
        };
        options.wordsDone = [this] { ++doneCalls; };
    }
};

void TakeAll(PageCompressor& pages, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) pages.TakePage(i, {[](std::string_view) {}, nullptr, nullptr});
    pages.AwaitWords(nullptr);
}

// The words of searched pages, read whole also when the page is chunked;
// other files, large searched ones and a compile that does not ask have
// none.
TEST(PageCompressor, SearchedPagesHandTheirWordsOverInOrder) {
    TempDir dir;
    std::string big = "<html><body><p>opening";
    while (big.size() < 3 * kChunkedAbove) big += " filler words";
    big += " closing</p></body></html>";
    const std::string small = "<html><head><title>Small</title></head><body>Tea</body></html>";
    dir.Write("small.html", small);
    dir.Write("big.HTM", big);
    dir.Write("picture.png", "\x89PNG tea");
    dir.Write("notes.txt", "First line\ntea again");
    const std::vector<std::string> paths = {dir / "small.html", dir / "big.HTM", dir / "picture.png", dir / "notes.txt"};
    for (const unsigned threads : {1u, 3u}) {
        PageCompressor::Options options = SmallChunks(threads);
        options.wordsUpTo = big.size();
        WordsReceived received;
        received.Ask(options);
        PageCompressor pages(paths, options);
        TakeAll(pages, paths.size());
        ASSERT_EQ(received.pages.size(), 3u) << "not a page: picture.png";
        EXPECT_EQ(received.pages[0].first, 0u);
        EXPECT_EQ(received.pages[0].second.title, "Small");
        EXPECT_EQ(received.pages[0].second.bodyWords, "tea");
        EXPECT_EQ(received.sizes[0], small.size());
        EXPECT_EQ(received.pages[1].first, 1u);
        EXPECT_EQ(received.pages[1].second.bodyWords.substr(0, 8), "opening ");
        EXPECT_EQ(received.pages[1].second.bodyWords.substr(received.pages[1].second.bodyWords.size() - 8), " closing")
            << "the page's end too";
        EXPECT_EQ(received.sizes[1], big.size());
        EXPECT_EQ(received.pages[2].first, 3u);
        EXPECT_EQ(received.pages[2].second.title, "First line");
        EXPECT_EQ(received.doneCalls, 1);
        EXPECT_TRUE(received.doneAfterLast);
    }
    PageCompressor::Options notAll = SmallChunks(2);
    notAll.wordsUpTo = big.size() - 1;
    WordsReceived received;
    received.Ask(notAll);
    PageCompressor pages({dir / "big.HTM"}, notAll);
    TakeAll(pages, 1);
    EXPECT_TRUE(received.pages.empty()) << "larger than searched";
    EXPECT_EQ(received.doneCalls, 1);
}

// A page that cannot be read for its words fails the compile, as its
// compression would: the index is never quietly without it.
TEST(PageCompressor, APageThatCannotBeReadForItsWordsRaises) {
    TempDir dir;
    dir.Write("index.html", "<p>tea</p>");
    PageCompressor::Options options = SmallChunks(2);
    WordsReceived received;
    received.Ask(options);
    PageCompressor pages({dir / "index.html", dir / "gone.html"}, options);
    pages.TakePage(0, {[](std::string_view) {}, nullptr, nullptr});
    EXPECT_THROW(pages.TakePage(1, {[](std::string_view) {}, nullptr, nullptr}), std::exception);
    EXPECT_THROW(pages.AwaitWords(nullptr), std::exception);
    ASSERT_EQ(received.pages.size(), 1u);
    EXPECT_EQ(received.pages[0].second.bodyWords, "tea");
}

// Words are made ahead of compression, in list order whatever the workers'
// number, and a receiver that holds them up (the index waiting for room)
// or fails holds up nothing else: the pages all come, and the words all
// arrive.
TEST(PageCompressor, WordsComeInOrderWhileTheReceiverIsSlowOrFails) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 60; ++i) {
        const std::string name = "page" + std::to_string(i) + (i % 7 == 3 ? ".png" : ".html");
        dir.Write(name, "<title>Page " + std::to_string(i) + "</title><p>" + Text(2000 + 97 * i) + "</p>");
        paths.push_back(dir / name);
    }
    for (const unsigned threads : {1u, 2u, 7u}) {
        PageCompressor::Options options = SmallChunks(threads);
        options.wordsAhead = 3;
        std::vector<std::size_t> order;
        std::atomic<int> calls{0};
        options.pageWords = [&](std::size_t file, search::PageWords, std::uint64_t) {
            order.push_back(file);
            if (++calls % 5 == 0) throw std::runtime_error("the index failed");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        PageCompressor pages(paths, options);
        for (std::size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(Take(pages, i).payload.empty(), false);
        pages.AwaitWords(nullptr);
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < paths.size(); ++i)
            if (i % 7 != 3) expected.push_back(i);
        EXPECT_EQ(order, expected) << threads << " threads";
    }
}

// A compile that stops early (an error further on) ends its workers also
// while the receiver of words is still taking them.
TEST(PageCompressor, StopsWhileWordsAreBeingHandedOver) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        dir.Write("p" + std::to_string(i) + ".html", "<p>" + Text(3000) + "</p>");
        paths.push_back(dir / ("p" + std::to_string(i) + ".html"));
    }
    std::atomic<int> received{0};
    PageCompressor::Options options = SmallChunks(2);
    options.pageWords = [&](std::size_t, search::PageWords, std::uint64_t) {
        ++received;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    {
        PageCompressor pages(paths, options);
        Take(pages, 0);
    }
    EXPECT_LT(received.load(), 40) << "the workers went on after the compile stopped";
}
