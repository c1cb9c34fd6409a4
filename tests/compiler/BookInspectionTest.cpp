// Inspection of eBooks and project files: where the blocks begin, which are
// settings and which pages, what counts as damage, and what `info` shows.
#include "BookInspection.h"
#include "ChunkedPage.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace compiler;

namespace {

// A viewer stand-in that carries the bare start tag among its bytes, as
// every real program does.
const std::string kViewer = std::string("\x7f" "ELF", 4) + std::string(300, '\0') + "#1!" + "#" +
                            std::string(40, '\0') + "\xB6" + std::string(100, 'v');

std::string Block(const std::string& name, const std::string& value) {
    std::string out;
    SimExe::AppendBlock(name, ZLibEx::CompressString(value, ZLibEx::lvDefault), out);
    return out;
}

// A small eBook: settings, then pages, one page named like a setting.
std::string EBook(const std::string& password = "") {
    std::string book = kViewer + Block("ctoolbar", "111111111010100");
    if (!password.empty()) book += Block("cpass", password);
    return book + Block("chome", "index.html") + Block("cproject", "Tea\r\nGuide\x1b[2J") +
           Block("index.html", std::string(500, 'x')) + Block("cweb", "a page named like a setting");
}

std::vector<std::pair<std::string, BlockKind>> Kinds(const Inspection& in) {
    std::vector<std::pair<std::string, BlockKind>> kinds;
    for (const InspectedBlock& b : in.blocks) kinds.emplace_back(b.name, b.kind);
    return kinds;
}

std::string Info(const Inspection& in) {
    std::ostringstream out;
    WriteInfo(out, in);
    return out.str();
}

}  // namespace

TEST(BookInspection, EBookBlocksStartAfterTheViewerSettingsThenPages) {
    const std::string book = EBook();
    using K = std::vector<std::pair<std::string, BlockKind>>;
    const K expected{{"CTOOLBAR", BlockKind::Setting}, {"CHOME", BlockKind::Setting}, {"CPROJECT", BlockKind::Setting},
                     {"INDEX.HTML", BlockKind::Page},  {"CWEB", BlockKind::Page}};
    for (const std::string& viewer : {kViewer, std::string("some other build")}) {
        const Inspection in = InspectBytes(book, "tea.exe", viewer);
        EXPECT_EQ(in.prefixSize, kViewer.size());
        EXPECT_EQ(in.knownViewer, viewer == kViewer);
        EXPECT_EQ(Kinds(in), expected);
        EXPECT_FALSE(FirstDamage(in));
    }
}

TEST(BookInspection, ProjectFilesAndTheCompilerItself) {
    const std::string project = Block("ctoolbar", "111111111010100") + Block("chome", "") +
                                Block("cOnStart", "Hi\r\n") + Block("cproject_dir", "/home/me/site");
    const Inspection in = InspectBytes(project, "book.zbp", kViewer);
    EXPECT_TRUE(in.project);
    EXPECT_EQ(in.prefixSize, 0u);
    ASSERT_EQ(in.blocks.size(), 4u);
    EXPECT_EQ(in.blocks[3].kind, BlockKind::Setting);
    EXPECT_FALSE(FirstDamage(in));
    // A project file that does not begin with a block is damaged from its first byte.
    EXPECT_EQ(FirstDamage(InspectBytes("x" + project, "book.zbp", kViewer))->what,
              "unexpected bytes at offset 0, before the first block");

    std::string compiler = "compiler image " + std::string("#1!") + "#";
    SimExe::AppendBlock("main_prog_file", kViewer, compiler);
    const Inspection self = InspectBytes(compiler, "zorbin-compiler", kViewer);
    ASSERT_EQ(self.blocks.size(), 1u);
    EXPECT_EQ(self.blocks[0].kind, BlockKind::Program);
    EXPECT_EQ(self.blocks[0].payload, kViewer);
    EXPECT_FALSE(FirstDamage(self));
    EXPECT_NE(Info(self).find("MAIN_PROG_FILE (a program, stored as it is)"), std::string::npos);
}

TEST(BookInspection, DamageIsTheFirstBadBlockOrWhereTheLayoutBreaks) {
    const std::string book = EBook();
    const auto damage = [](const std::string& bytes) { return FirstDamage(InspectBytes(bytes, "tea.exe", kViewer)); };

    std::string badPayload = book;
    const std::size_t page = book.find("INDEX.HTML") + 11;
    badPayload[page] = static_cast<char>(badPayload[page] ^ 0xFF);
    ASSERT_TRUE(damage(badPayload));
    EXPECT_EQ(damage(badPayload)->blockName, "INDEX.HTML");

    std::string noEnd = book;
    noEnd[book.rfind(SimExe::EndMarker("chome")) + 5] = 'X';
    EXPECT_EQ(damage(noEnd)->blockName, "CHOME");
    EXPECT_NE(damage(noEnd)->what.find("end marker is missing"), std::string::npos);

    EXPECT_EQ(damage(book + "junk")->what, "unexpected bytes at offset " + std::to_string(book.size()) +
                                               ", after block 'CWEB'");
    // With this compiler's viewer known, a damaged first start marker shows.
    std::string badStart = book;
    badStart[kViewer.size() + 1] = '?';
    EXPECT_NE(damage(badStart)->what.find("before the first block"), std::string::npos);

    std::string emptyPayload = kViewer;
    SimExe::AppendBlock("ctoolbar", "", emptyPayload);
    EXPECT_EQ(damage(emptyPayload)->blockName, "CTOOLBAR");
    EXPECT_NE(damage(kViewer)->what.find("carries no blocks"), std::string::npos);
    EXPECT_NE(damage("")->what.find("carries no blocks"), std::string::npos);
}

TEST(BookInspection, InfoShowsSettingsAndPageSizesButNeverThePassword) {
    const std::string info = Info(InspectBytes(EBook("s3cret-Pa55"), "tea.exe", kViewer));
    EXPECT_EQ(info.find("s3cret-Pa55"), std::string::npos) << info;
    EXPECT_NE(info.find("password           present\n"), std::string::npos) << info;
    EXPECT_NE(Info(InspectBytes(EBook(), "tea.exe", kViewer)).find("password           absent\n"), std::string::npos);
    EXPECT_NE(info.find("111111111010100 (buttons: Back Next Reload Home Stop Search Print About Exit; "
                        "no right-click menu or copy/paste)"),
              std::string::npos)
        << info;
    // Line breaks and a terminal's escape sequence in a value are shown, not obeyed.
    EXPECT_NE(info.find("title              Tea\\r\\nGuide\\x1B[2J\n"), std::string::npos) << info;
    const std::string stored = std::to_string(ZLibEx::CompressString(std::string(500, 'x'), ZLibEx::lvDefault).size());
    EXPECT_NE(info.find(std::string(10 - stored.size(), ' ') + stored + "         500  INDEX.HTML\n"), std::string::npos)
        << info;
}

TEST(BookInspection, ChunkedPagesShowTheirChunksAndALyingIndexIsDamage) {
    std::mt19937 gen(21);
    std::string video(300000, '\0');
    for (char& c : video) c = static_cast<char>(gen());
    video.replace(200000, 100000, 100000, 'x');
    const ChunkedPage page = MakeChunkedPage(video, 70000);  // 5 chunks, the first 2 stored
    const auto book = [&](const SimExe::AccessIndex& index) {
        std::string b = EBook();
        SimExe::AppendBlock("clip.webm", page.payload, b);
        return b + Block(SimExe::AccessIndexName("clip.webm"), SimExe::EncodeAccessIndex(index));
    };
    const std::string soundBook = book(page.index);
    const Inspection sound = InspectBytes(soundBook, "tea.exe", kViewer);
    EXPECT_EQ(sound.blocks.back().kind, BlockKind::Own);
    EXPECT_FALSE(FirstDamage(sound));
    const std::string info = Info(sound);
    EXPECT_NE(info.find("      300000  CLIP.WEBM (5 chunks, 2 stored)\n"), std::string::npos) << info;
    EXPECT_NE(info.find("1 access index\n"), std::string::npos) << info;

    SimExe::AccessIndex lie = page.index;
    lie.chunks[2].adler ^= 1;
    std::string lyingBook = book(lie);
    std::optional<Damage> damage = FirstDamage(InspectBytes(lyingBook, "tea.exe", kViewer));
    ASSERT_TRUE(damage);
    EXPECT_EQ(damage->blockName, "/ZORBIN/ACCESS/CLIP.WEBM");
    EXPECT_EQ(damage->what, "chunk 2 does not match its access index");
    lie = page.index;
    std::swap(lie.chunks[1], lie.chunks[2]);
    lyingBook = book(lie);
    damage = FirstDamage(InspectBytes(lyingBook, "tea.exe", kViewer));
    ASSERT_TRUE(damage);
    EXPECT_EQ(damage->what, "it is no access index of page 'CLIP.WEBM'");

    // A small page that does not compress is stored whole.
    std::string noise(5000, '\0');
    for (char& c : noise) c = static_cast<char>(gen());
    std::string small = EBook();
    SimExe::AppendBlock("noise.bin", MakeChunkedPage(noise, noise.size()).payload, small);
    EXPECT_NE(Info(InspectBytes(small, "tea.exe", kViewer)).find("  NOISE.BIN (stored)\n"), std::string::npos);
}

// An eBook from before identities and reopening: what its viewer does instead.
TEST(BookInspection, InfoSaysWhatTheViewerDoesWithoutAnIdentity) {
    EXPECT_NE(Info(InspectBytes(EBook(), "tea.exe", kViewer))
                  .find("\n  identity: none stored; its viewer derives one from its settings and page names\n"
                        "  reopens where its reader left off: yes\n"),
              std::string::npos);
}
