// Block store: layout, lookup and the operations on the store and on files.
#include "SimExe.h"
#include "TempDir.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace SimExe;
using namespace std::string_literals;

namespace {

std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// Every test starts and ends with an empty store.
class BlockStoreTest : public ::testing::Test {
protected:
    void SetUp() override { BlockStore().clear(); }
    void TearDown() override { BlockStore().clear(); }

    static std::string Read(const std::string& name, std::string value = "<untouched>") {
        ReadBlock(name, value);
        return value;
    }
};

}  // namespace

TEST(BlockLayout, BlockIsStartMarkerPayloadEndMarker) {
    const std::string payload = "k\0bytes"s;
    std::string container;
    AppendBlock("chome", payload, container);
    ASSERT_EQ(container.size(), 10 + payload.size() + 9);
    EXPECT_EQ(container, FromHex("2331212343484F4D45B6") + payload + FromHex("213221234348" "4F4D45"));
}

TEST(BlockLayout, FoldingTouchesOnlyAsciiLetters) {
    EXPECT_EQ(FoldName("main_prog_file"), "MAIN_PROG_FILE");
    const std::string mixed = "aZ09/\\.\xB6\xE9\xC9\x80"s;
    EXPECT_EQ(FoldName(mixed), "AZ09/\\.\xB6\xE9\xC9\x80"s);
    EXPECT_EQ(StartMarker("a.htm"), FromHex("23312123") + "A.HTM" + "\xB6");
    EXPECT_EQ(EndMarker("a.htm"), FromHex("21322123") + "A.HTM");
}

TEST(BlockLayout, EmptyNameAppendsNothing) {
    std::string container = "prefix";
    AppendBlock("", "payload", container);
    EXPECT_EQ(container, "prefix");
}

TEST(BlockLayout, EmptyPayloadPutsMarkersBackToBack) {
    std::string container;
    AppendBlock("x", "", container);
    EXPECT_EQ(container, StartMarker("x") + EndMarker("x"));
    EXPECT_EQ(FindBlock(container, "x"), std::string_view());
}

TEST(BlockLayout, AppendingTheContainerToItself) {
    std::string container = "abc";
    AppendBlock("self", container, container);
    EXPECT_EQ(FindBlock(container, "self"), "abc");
}

TEST(BlockLookup, NamesMatchRegardlessOfAsciiCaseOnly) {
    std::string c;
    AppendBlock("Index.htm", "page", c);
    for (const char* name : {"INDEX.HTM", "index.htm", "Index.HTM"}) EXPECT_EQ(FindBlock(c, name), "page") << name;

    AppendBlock("caf\xE9.htm", "lower", c);
    EXPECT_EQ(FindBlock(c, "CAF\xE9.HTM"), "lower");
    EXPECT_FALSE(FindBlock(c, "caf\xC9.htm"));  // another letter outside ASCII
}

TEST(BlockLookup, LongerNameBeforeItsPrefixAndTheOtherWayRound) {
    std::string c;
    AppendBlock("A.HTML", "long", c);
    AppendBlock("A.HTM", "short", c);
    AppendBlock("ab", "AB payload", c);
    AppendBlock("a", "A payload", c);
    EXPECT_EQ(FindBlock(c, "a.html"), "long");
    EXPECT_EQ(FindBlock(c, "a.htm"), "short");
    EXPECT_EQ(FindBlock(c, "ab"), "AB payload");
    EXPECT_EQ(FindBlock(c, "a"), "A payload");
}

TEST(BlockLookup, FirstOfTwoBlocksWithTheSameNameWins) {
    std::string c;
    AppendBlock("dup", "first", c);
    AppendBlock("DUP", "second", c);
    EXPECT_EQ(FindBlock(c, "dup"), "first");
}

TEST(BlockLookup, StartMarkerWithoutEndMarkerGivesEmptyPayload) {
    std::string c = "prefix" + StartMarker("lonely") + "data that never ends";
    auto found = FindBlock(c, "lonely");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, "");
}

TEST(BlockLookup, PayloadHoldingItsOwnEndMarkerIsCutShort) {
    std::string c;
    AppendBlock("p", "before" + EndMarker("p") + "after", c);
    EXPECT_EQ(FindBlock(c, "p"), "before");
}

TEST(BlockLookup, EndMarkerIsSearchedFromThePayloadOn) {
    // The end marker of "x" stands in the prefix, before the block.
    std::string c = "junk" + EndMarker("x");
    AppendBlock("x", "payload", c);
    EXPECT_EQ(FindBlock(c, "x"), "payload");
}

TEST(BlockLookup, PrefixIsSearchedToo) {
    std::string c = "exe image " + StartMarker("early") + "in the prefix" + EndMarker("early");
    AppendBlock("early", "appended", c);
    EXPECT_EQ(FindBlock(c, "early"), "in the prefix");
    EXPECT_FALSE(FindBlock("", "early"));
}

TEST_F(BlockStoreTest, StringBlocksAreCompressedAndReadBack) {
    const std::string value = "value with \0 zero"s;
    AddStringBlock("cproject", value);
    EXPECT_EQ(*FindBlock(BlockStore().View(), "cproject"), ZLibEx::CompressString(value, ZLibEx::lvDefault));
    EXPECT_EQ(Read("CPROJECT"), value);
}

TEST_F(BlockStoreTest, EmptyNamesAddNothingAndOpenNoFile) {
    AddStringBlock("", "v");
    AddFileBlock("", "/no/such/file/anywhere");
    EXPECT_TRUE(BlockStore().empty());
}

TEST_F(BlockStoreTest, AbsentBlockLeavesTheValueUntouched) {
    AddStringBlock("present", "1");
    EXPECT_EQ(Read("absent"), "<untouched>");
    EXPECT_EQ(Read("absent", ""), "");
}

TEST_F(BlockStoreTest, EmptyPayloadIsADecompressionError) {
    AppendBlock("empty", "", BlockStore());
    std::string value = "old";
    try {
        ReadBlock("empty", value);
        FAIL();
    } catch (const ZLibEx::EZDecompressionError& e) {
        EXPECT_STREQ(e.what(), "buffer error");
    }
    EXPECT_EQ(value, "old");
}

TEST_F(BlockStoreTest, ReadBlockOnAnEmptyStoreLoadsTheRunningProgram) {
    // A name made at run time, so its marker cannot be in this program.
    const std::string absent = "absent_" + std::to_string(::getpid());
    EXPECT_EQ(Read(absent), "<untouched>");
    EXPECT_EQ(BlockStore().View(), ReadFile("/proc/self/exe"));
}

TEST_F(BlockStoreTest, LoadOwnImageReplacesTheStore) {
    BlockStore() = "something";
    LoadOwnImage();
    EXPECT_EQ(BlockStore().View(), ReadFile(ExecutablePath()));
}

TEST_F(BlockStoreTest, SaveImageToFileWritesTheOwnImageWhenEmpty) {
    TempDir dir;
    SaveImageToFile(dir / "copy.exe");
    EXPECT_EQ(ReadFile(dir / "copy.exe"), ReadFile(ExecutablePath()));
}

TEST_F(BlockStoreTest, SaveImageToFileWritesTheStore) {
    TempDir dir;
    AddStringBlock("a", "1");
    SaveImageToFile(dir / "project.zbp");
    EXPECT_EQ(ReadFile(dir / "project.zbp"), BlockStore().View());
}

TEST_F(BlockStoreTest, FileBlocksHoldTheFilesBytes) {
    TempDir dir;
    const std::string bytes = "<html>\0\xFF</html>"s;
    AddFileBlock("chapter1/page.html", dir.Write("chapter1/page.html", bytes));
    EXPECT_EQ(Read("CHAPTER1/PAGE.HTML"), bytes);
}

TEST_F(BlockStoreTest, MissingFileRaisesAndKeepsEarlierBlocks) {
    AddStringBlock("before", "kept");
    try {
        AddFileBlock("page", "/no/such/page.html");
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file /no/such/page.html");
    }
    EXPECT_EQ(Read("before"), "kept");
}

TEST(BlockFiles, ExtractBlockFromFileGivesTheRawPayload) {
    TempDir dir;
    std::string image = "viewer bytes";
    AppendBlock("main_prog_file", "raw \x01\x02 viewer", image);
    const std::string file = dir.Write("compiler", image);
    std::string payload = "untouched";
    ExtractBlockFromFile("absent", file, payload);
    EXPECT_EQ(payload, "untouched");
    ExtractBlockFromFile("MAIN_PROG_FILE", file, payload);
    EXPECT_EQ(payload, "raw \x01\x02 viewer");
}

TEST(BlockFiles, ExtractBlockWithoutEndMarkerIsEmpty) {
    TempDir dir;
    const std::string file = dir.Write("f", "x" + StartMarker("b") + "rest");
    std::string payload = "untouched";
    ExtractBlockFromFile("b", file, payload);
    EXPECT_EQ(payload, "");
}

TEST(BlockFiles, LoadFileToStringResolvesAgainstTheExecutablesFolder) {
    TempDir dir;
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const std::string own = ExecutablePath();
    const std::string name = own.substr(own.rfind('/') + 1);
    EXPECT_EQ(LoadFileToString(name), ReadFile(own));
    char cwd[4096];
    EXPECT_EQ(std::string(::getcwd(cwd, sizeof cwd)), ExecutableFolder());
}

TEST(BlockFiles, WhatIsNotARegularFileCannotBeOpened) {
    TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& name : {fifo, dir.path(), dir / "missing"}) {
        try {
            LoadFileToString(name);
            ADD_FAILURE() << name;
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.what(), "Cannot open file " + name);
        }
    }
}

TEST(BlockFiles, ReadFileBytesReadsRelativeNamesAgainstTheGivenFolder) {
    TempDir dir;
    dir.Write("pages/a.html", "page a");
    ASSERT_EQ(::chdir("/"), 0);
    EXPECT_EQ(ReadFileBytes("pages/a.html", dir.path()), "page a");
    EXPECT_EQ(ReadFileBytes(dir / "pages/a.html", "/nowhere"), "page a");  // an absolute name stays
    try {
        ReadFileBytes("pages/missing.html", dir.path());
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file pages/missing.html");  // named as given
    }
    char cwd[4096];
    EXPECT_STREQ(::getcwd(cwd, sizeof cwd), "/");
}
