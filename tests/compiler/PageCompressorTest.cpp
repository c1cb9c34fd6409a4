// Page compression on worker threads: the same bytes as one thread makes,
// in list order, and a failing file raising at its own place.
#include "PageCompressor.h"
#include "SimExe.h"
#include "TempDir.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <random>

using compiler::PageCompressor;

namespace {

// Files of many sizes, some text, some random bytes.
std::vector<std::string> MakeFiles(const TempDir& dir, int count) {
    std::mt19937 gen(3);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        std::string bytes(gen() % (i % 5 == 0 ? 300000 : 5000), 'a');
        if (i % 3 == 0)
            for (char& c : bytes) c = static_cast<char>(gen());
        paths.push_back(dir.Write("f" + std::to_string(i), bytes));
    }
    return paths;
}

}  // namespace

TEST(PageCompressor, EveryThreadCountGivesTheOneThreadBytesInOrder) {
    TempDir dir;
    const std::vector<std::string> paths = MakeFiles(dir, 150);
    std::vector<std::string> expected;
    for (const std::string& p : paths) expected.push_back(ZLibEx::CompressString(ReadFile(p), ZLibEx::lvDefault));
    for (unsigned threads : {1u, 2u, 7u}) {
        PageCompressor pages(paths, threads);
        for (std::size_t i = 0; i < paths.size(); ++i) ASSERT_EQ(pages.Take(i, nullptr), expected[i]) << threads;
    }
}

TEST(PageCompressor, UnreadableFileFailsAtItsPlaceInTheList) {
    TempDir dir;
    std::vector<std::string> paths = MakeFiles(dir, 20);
    paths[5] = dir / "missing-5";
    paths[12] = dir / "missing-12";
    PageCompressor pages(paths, 3);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_NO_THROW(pages.Take(i, nullptr));
    try {
        pages.Take(5, nullptr);
        FAIL();
    } catch (const SimExe::EFOpenError& e) {
        EXPECT_EQ(e.what(), "Cannot open file " + (dir / "missing-5"));
    }
}

TEST(PageCompressor, WaitingLetsTheWindowRepaint) {
    TempDir dir;
    std::string bytes(8u << 20, '\0');
    std::mt19937 gen(5);
    for (char& c : bytes) c = static_cast<char>(gen());
    const std::string big = dir.Write("big", bytes);  // takes a good part of a second to compress
    PageCompressor pages({big}, 1);
    int idle = 0;
    pages.Take(0, [&] { ++idle; });
    EXPECT_GT(idle, 0);
}

TEST(PageCompressor, NoFilesAtAll) {
    PageCompressor pages({}, 0);
}
