// The indexed lookup against the plain block lookup, and the store's bytes
// held, mapped, handed over and changed while an index is being built.
#include "SimExe.h"
#include "TempDir.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <thread>

using namespace SimExe;
using namespace std::string_literals;

namespace {

using Lookup = std::optional<std::string_view>;

// Asks the index every name in order and expects the plain lookup's answer.
void ExpectSameAsPlainLookup(std::string_view container, TBlockIndex& index, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const Lookup plain = FindBlock(container, name), indexed = index.Find(name);
        ASSERT_EQ(plain.has_value(), indexed.has_value()) << "name " << name;
        if (plain) {
            ASSERT_EQ(*plain, *indexed) << "name " << name;
            ASSERT_EQ(plain->data(), indexed->data()) << "name " << name;  // the same occurrence
        }
    }
}

const std::vector<std::string> kNames = {"", "a", "A", "b", "ab", "ba", "aa", "a\xB6" "b", "#1!#", "!2!#a", "x"};

// Random containers over the bytes that markers are made of, so tags,
// overlapping tags, cut markers and markers inside payloads are common.
std::string RandomContainer(std::mt19937& random, std::size_t length) {
    static const std::string alphabet = "#1!2ABab\xB6x";
    std::string c;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1), coin(0, 9);
    while (c.size() < length) {
        if (coin(random) == 0) c += (coin(random) < 5 ? StartMarker : EndMarker)(kNames[random() % kNames.size()]);
        else c += alphabet[static_cast<std::size_t>(pick(random))];
    }
    return c;
}

}  // namespace

TEST(BlockIndex, AgreesWithThePlainLookupOnRandomContainers) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        const std::string c = RandomContainer(random, random() % 300);
        std::vector<std::string> names = kNames;
        std::shuffle(names.begin(), names.end(), random);
        TBlockIndex index(c);
        ExpectSameAsPlainLookup(c, index, names);
        if (HasFatalFailure()) return;
    }
}

TEST(BlockIndex, AdversarialContainers) {
    const std::string s = StartMarker("a"), e = EndMarker("a");
    const std::vector<std::string> containers = {
        "#1!#1!#A\xB6payload!2!#A"s,                     // overlapping start tags
        s + "x!2!2!#A" + e,                              // overlapping end tags
        s + "one" + EndMarker("ab") + "two" + e,         // an end marker that extends the name
        s.substr(0, s.size() - 1) + s + "p" + e,         // a cut start marker before the real one
        s + "no end",                                    // a start marker without an end
        s + e.substr(0, e.size() - 1),                   // a cut end marker at the very end
        StartMarker("ab") + s + "inner" + e + "outer" + EndMarker("ab") + s + "second" + e,
        "#1!#a\xB6" "lower" + e + s + "upper" + e,       // only folded names are found
        StartMarker("a\xB6" "b") + "x" + EndMarker("a\xB6" "b"),
        s, e, "#", "!", "#1!#", "",
    };
    for (const std::string& c : containers) {
        TBlockIndex index(c);
        ExpectSameAsPlainLookup(c, index, kNames);
    }
}

TEST(BlockIndex, TagsAcrossScanSteps) {
    // Markers placed on and around the borders of the index's scan steps.
    const std::size_t step = 1 << 20;
    for (std::size_t shift = 0; shift < 8; ++shift) {
        std::string c(step - shift, 'x');
        AppendBlock("first", "one", c);
        c.resize(2 * step - 3, 'y');
        AppendBlock("second", "two", c);
        AppendBlock("first", "shadowed", c);
        TBlockIndex index(c);
        ExpectSameAsPlainLookup(c, index, {"second", "first", "third", "FIRST"});
    }
}

TEST(BlockIndex, ThreadsShareOneIndex) {
    std::string c(3 << 20, '.');
    for (int i = 0; i < 500; ++i) AppendBlock("page" + std::to_string(i), std::string(4000, 'p'), c);
    TBlockIndex index(c);
    std::thread scanner([&] { while (index.ScanMore() < c.size()) {} });
    std::thread reader([&] {
        for (int i = 499; i >= 0; i -= 3) EXPECT_EQ(index.Find("page" + std::to_string(i))->size(), 4000u);
    });
    for (int i = 0; i < 500; i += 7) EXPECT_EQ(index.Find("PAGE" + std::to_string(i))->size(), 4000u);
    scanner.join();
    reader.join();
    EXPECT_FALSE(index.Find("page500"));
}

class BlockStoreBytes : public ::testing::Test {
protected:
    void TearDown() override { BlockStore().clear(); }
    TBlockStore& store = BlockStore();
};

// Reading a setting at the front of a large eBook scans only the front, not
// the whole file: a reader does not wait for the index of all its pages.
TEST(BlockStoreReads, ABlockReadWholeScansNoFurtherThanItself) {
    std::string bytes = "viewer";
    AppendBlock("ctoolbar", ZLibEx::CompressString("111", ZLibEx::lvDefault), bytes);
    AppendBlock("page.bin", std::string(16u << 20, 'x'), bytes);
    TBlockStore store;
    store = std::move(bytes);
    std::string value;
    ASSERT_TRUE(store.ReadBlock("ctoolbar", value));
    EXPECT_EQ(value, "111");
    EXPECT_LT(store.IndexedTo(), 2u << 20);
}

// The names follow the layout from the first whole block: a program's bare
// tag is none, markers inside a payload are part of it, and the walk ends
// where the blocks stop following one another.
TEST(BlockStoreReads, BlockNamesFollowTheLayoutFromTheFirstBlock) {
    std::string bytes = "viewer with a bare tag " + "#1!"s + "#" + " among its bytes";
    AppendBlock("ctoolbar", "111", bytes);
    AppendBlock("Page.html", StartMarker("inner") + "x" + EndMarker("inner"), bytes);
    AppendBlock("/zorbin/identity", "id", bytes);
    TBlockStore store;
    store = bytes + "bytes after the blocks" + StartMarker("after") + "y" + EndMarker("after");
    EXPECT_EQ(store.BlockNames(), (std::vector<std::string>{"CTOOLBAR", "PAGE.HTML", "/ZORBIN/IDENTITY"}));
}

TEST_F(BlockStoreBytes, MappedFileReadsLikeItsBytes) {
    TempDir dir;
    std::string bytes = "viewer";
    AppendBlock("a", "payload a", bytes);
    const std::string path = dir.Write("book", bytes);
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_TRUE(store.MapFile(fd));
    ::close(fd);  // the mapping outlives the descriptor
    EXPECT_EQ(store.View(), bytes);
    EXPECT_EQ(store.Find("A"), "payload a");

    store.IndexInBackground();
    AppendBlock("b", "payload b", store);  // a change while indexing: now owned bytes
    EXPECT_EQ(store.Find("b"), "payload b");
    EXPECT_EQ(store.Find("a"), "payload a");
    EXPECT_EQ(store.Take(), bytes + StartMarker("b") + "payload b" + EndMarker("b"));
    EXPECT_TRUE(store.empty());
    EXPECT_FALSE(store.Find("a"));
}

TEST_F(BlockStoreBytes, ReplacingTheBytesDropsTheOldIndex) {
    store = StartMarker("a") + "old" + EndMarker("a");
    EXPECT_EQ(store.Find("a"), "old");
    store = StartMarker("a") + "new" + EndMarker("a");
    EXPECT_EQ(store.Find("a"), "new");
    store.IndexInBackground();
    store.clear();
    EXPECT_FALSE(store.Find("a"));
    EXPECT_FALSE(store.MapFile(-1));  // nothing to map
}

TEST_F(BlockStoreBytes, LoadingTheSameUnchangedFileAgainKeepsItsMapping) {
    TempDir dir;
    const std::string path = dir.Write("book", "viewer" + StartMarker("a") + "one" + EndMarker("a"));
    SetOwnImageFile(path);
    LoadOwnImage();
    store.IndexInBackground();
    const char* const first = store.View().data();
    LoadOwnImage();
    EXPECT_EQ(store.View().data(), first);

    dir.Write("book.new", "viewer" + StartMarker("a") + "two!" + EndMarker("a"));
    ASSERT_EQ(::rename((dir / "book.new").c_str(), path.c_str()), 0);
    LoadOwnImage();
    EXPECT_EQ(store.Find("a"), "two!");
    SetOwnImageFile("");
}
