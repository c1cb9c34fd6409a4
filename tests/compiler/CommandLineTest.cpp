// The real compiler program on the command line: options, exit codes, and
// eBooks built from a folder and from a saved project.
#include "BlockList.h"
#include "BookInspection.h"
#include "BookIdentity.h"
#include "SimExe.h"
#include "TempDir.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <tuple>

namespace {

struct Result {
    int status;
    std::string out, err;
};

// Runs a shell command line from the given folder, capturing its output.
Result RunShell(const std::string& commandLine, const std::string& folder) {
    TempDir capture;
    const std::string command = "cd '" + folder + "' && " + commandLine + " >'" + (capture / "out") + "' 2>'" +
                                (capture / "err") + "' </dev/null";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(capture / "out"), ReadFile(capture / "err")};
}

// Runs the compiler with the arguments from the given folder.
Result Compiler(const std::string& args, const std::string& folder = "/") {
    return RunShell("'" ZORBIN_COMPILER "' " + args, folder);
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        site.Write("index.html", "<html>start</html>");
        site.Write("about.htm", "<html>about</html>");
        site.Write("pics/a.png", std::string("\x89PNG\r\n\x1a\n", 8));
    }
    // A project file as the window saves it, naming the site and an output file.
    std::string Project(const std::string& dir, const std::string& output, const std::string& password = "") {
        SimExe::BlockStore().clear();
        SimExe::AddStringBlock("ctoolbar", "111111111010100");
        if (!password.empty()) SimExe::AddStringBlock("cpass", password);
        SimExe::AddStringBlock("chome", "index.html");
        SimExe::AddStringBlock("cproject", "From a project");
        SimExe::AddStringBlock("cproject_dir", dir);
        SimExe::AddStringBlock("ccompile_file", output);
        const std::string file = work.Write("book.zbp", std::string(SimExe::BlockStore().View()));
        SimExe::BlockStore().clear();
        return file;
    }
    TempDir site, work;
};

}  // namespace

TEST(CommandLine, HelpVersionAndUsageErrors) {
    for (const char* asked : {"--help", "-h", "build --help", "info x --help"}) {
        Result help = Compiler(asked);
        EXPECT_EQ(help.status, 0) << asked;
        EXPECT_NE(help.out.find("Usage: zorbin-compiler"), std::string::npos) << asked;
        EXPECT_EQ(help.err, "") << asked;
    }
    Result version = Compiler("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("zorbin-compiler (Zorbin eBook Compiler) ", 0), 0u);
    EXPECT_EQ(version.err, "");
    for (const char* bad : {"frobnicate", "build", "build a b", "build x --bogus", "build x -o", "build x --titl=T",
                            "build x --quiet=yes", "info", "info x -o y", "verify x --title T", "-x", "deltemp x"}) {
        Result r = Compiler(bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.out, "") << bad;
        EXPECT_EQ(r.err.rfind("zorbin-compiler: ", 0), 0u) << bad;
        EXPECT_NE(r.err.find("\nTry 'zorbin-compiler --help' for more information.\n"), std::string::npos) << bad;
    }
    // The restart that ends the self-rewrite exchange opens the window, as no arguments do.
    for (const char* window : {"", "deltemp"}) {
        Result r = RunShell("env -u DISPLAY -u WAYLAND_DISPLAY '" ZORBIN_COMPILER "' " + std::string(window), "/");
        EXPECT_EQ(r.status, 1) << window;
        EXPECT_NE(r.err.find("cannot open a display"), std::string::npos) << window << r.err;
    }
}

// The window's GTK binding is a module inside the compiler's file, so that
// the program itself, which runs every command-line build, starts without GTK.
TEST(CommandLine, CompilerCarriesTheViewerAndItsWindowModule) {
    std::string viewer, module;
    SimExe::ExtractBlockFromFile("main_prog_file", ZORBIN_COMPILER, viewer);
    EXPECT_EQ(viewer, ReadFile(ZORBIN_VIEWER_PAYLOAD));
    EXPECT_GT(viewer.size(), 10000u);
    SimExe::ExtractBlockFromFile(compiler::kWindowModuleBlock, ZORBIN_COMPILER, module);
    EXPECT_EQ(module, ReadFile(ZORBIN_WINDOW_MODULE));
    EXPECT_NE(module.find("libgtk-3.so.0"), std::string::npos);
    const std::string compiler = ReadFile(ZORBIN_COMPILER);
    const std::string program = compiler.substr(0, compiler.find(viewer));
    EXPECT_EQ(program.find("libgtk-3.so.0"), std::string::npos);
}

// A compiler whose window module is missing or cut short says so when its
// window is asked for, and is not brought down by the loader.
TEST_F(CommandLineTest, AWindowModuleMissingOrCutShortIsReported) {
    const std::string compiler = ReadFile(ZORBIN_COMPILER);
    std::string module;
    SimExe::ExtractBlockFromFile(compiler::kWindowModuleBlock, ZORBIN_COMPILER, module);
    const std::size_t moduleAt = compiler.find(SimExe::StartMarker(compiler::kWindowModuleBlock));
    const std::string withoutModule = compiler.substr(0, moduleAt);
    std::string cutShort = withoutModule;
    SimExe::AppendBlock(compiler::kWindowModuleBlock, module.substr(0, module.size() / 2), cutShort);
    for (const auto& [name, program, said] : {std::tuple{"without", withoutModule, "is missing"},
                                              std::tuple{"cut-short", cutShort, "is damaged"}}) {
        const std::string file = work.Write(name, program);
        std::filesystem::permissions(file, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
        const Result r = RunShell("env -u DISPLAY -u WAYLAND_DISPLAY '" + file + "'", "/");
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.err.find(std::string("zorbin-compiler: the window module ") + said), std::string::npos) << r.err;
    }
}

TEST_F(CommandLineTest, FolderBuildsIntoAnEBookBesideTheCaller) {
    Result r = Compiler("build '" + site.path() + "' --title 'My Book' -q", work.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string name = site.path().substr(site.path().rfind('/') + 1) + ".exe";
    const std::string ebook = ReadFile(work / name);
    const std::string viewer = ReadFile(ZORBIN_VIEWER_PAYLOAD);
    EXPECT_EQ(ebook.substr(0, viewer.size()), viewer);
    using Blocks = std::vector<std::pair<std::string, std::string>>;
    Blocks blocks = ListBlocks(ebook.substr(viewer.size()));
    ASSERT_GE(blocks.size(), 2u);
    blocks.pop_back();  // the search index's access index
    EXPECT_EQ(blocks.back().first, "/ZORBIN/SEARCH");
    blocks.pop_back();
    ASSERT_GE(blocks.size(), 4u);
    EXPECT_TRUE(book::IsIdentity(blocks[3].second)) << blocks[3].second;
    blocks[3].second = "an identity";
    EXPECT_EQ(blocks,
              (Blocks{{"CTOOLBAR", "111111111010100"}, {"CHOME", "index.html"}, {"CPROJECT", "My Book"},
                      {"/ZORBIN/IDENTITY", "an identity"}, {"/ZORBIN/REOPEN", "1"},
                      {"ABOUT.HTM", "<html>about</html>"}, {"INDEX.HTML", "<html>start</html>"},
                      {"PICS/A.PNG", std::string("\x89PNG\r\n\x1a\n", 8)}}));
    EXPECT_NE(std::filesystem::status(work / name).permissions() & std::filesystem::perms::owner_exec,
              std::filesystem::perms::none);

    // The same build in GNU spellings, and with no terminal no progress either.
    Result again = Compiler("build --title='My Book' -oagain.exe -- '" + site.path() + "'", work.path());
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(ReadFile(work / "again.exe"), ebook);
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(again.out, "");
}

TEST_F(CommandLineTest, ProgressOnlyOnATerminalAndNotWhenQuiet) {
    // script(1) gives the compiler a terminal; what it shows there comes back on standard output.
    const auto onTerminal = [&](const std::string& options) {
        return RunShell("script -qec \"'" ZORBIN_COMPILER "' build '" + site.path() + "' -o t.exe " + options +
                       "\" /dev/null",
                   work.path());
    };
    Result shown = onTerminal("");
    ASSERT_EQ(shown.status, 0) << shown.out << shown.err;
    EXPECT_NE(shown.out.find("Working... Please Wait"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("100% of the pages written"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("eBook Sucessfully Created"), std::string::npos) << shown.out;
    Result quiet = onTerminal("--quiet");
    ASSERT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
}

TEST_F(CommandLineTest, ProjectBuildsWhereItSaysOrWhereToldTo) {
    const std::string project = Project(site.path(), work / "from-project.exe");
    Result r = Compiler("build book.zbp", work.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ListBlocks(ReadFile(work / "from-project.exe").substr(ReadFile(ZORBIN_VIEWER_PAYLOAD).size()))[2].second,
              "From a project");
    ASSERT_EQ(Compiler("build '" + project + "' -o elsewhere", work.path()).status, 0);
    EXPECT_TRUE(std::filesystem::exists(work / "elsewhere.exe"));
}

TEST_F(CommandLineTest, FailuresExitNonZeroWithTheErrorText) {
    TempDir empty;
    Result noPages = Compiler("build '" + empty.path() + "'", work.path());
    EXPECT_EQ(noPages.status, 1);
    EXPECT_NE(noPages.err.find("Error: Please set the home page. 0 files in selected directory"), std::string::npos);

    Project(site / "moved-away", work / "never.exe");
    Result gone = Compiler("build book.zbp", work.path());
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.err.find("does not exist"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(work / "never.exe"));

    Result missing = Compiler("build no-such.zbp", work.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot open file " + (work / "no-such.zbp")), std::string::npos);
}

TEST_F(CommandLineTest, InfoAndVerifyOnBuiltEBooksAndTheirProjects) {
    const std::string project = Project(site.path(), work / "locked.exe");
    ASSERT_EQ(Compiler("build book.zbp", work.path()).status, 0);

    Result info = Compiler("info locked.exe", work.path());
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out.rfind("locked.exe: eBook, ", 0), 0u) << info.out;
    EXPECT_NE(info.out.find("(the viewer of this compiler)"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("title              From a project\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("password           absent\n"), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("encrypted"), std::string::npos) << info.out;
    // <html>start</html>, too short for deflate to shrink
    EXPECT_NE(info.out.find("18  INDEX.HTML (stored)\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("(3 pages in all)"), std::string::npos) << info.out;

    Result projectInfo = Compiler("info book.zbp", work.path());
    ASSERT_EQ(projectInfo.status, 0) << projectInfo.err;
    EXPECT_NE(projectInfo.out.find("project folder     " + site.path() + "\n"), std::string::npos) << projectInfo.out;
    EXPECT_EQ(projectInfo.out.find("pages:"), std::string::npos) << projectInfo.out;

    for (const char* file : {"locked.exe", "book.zbp"}) {
        Result sound = Compiler(std::string("verify ") + file, work.path());
        EXPECT_EQ(sound.status, 0) << sound.err;
        EXPECT_NE(sound.out.find(" blocks, all sound\n"), std::string::npos);
        EXPECT_EQ(Compiler(std::string("verify -q ") + file, work.path()).out, "");
    }

    // One flipped byte inside the last page's payload.
    std::string ebook = ReadFile(work / "locked.exe");
    const std::size_t page = ebook.rfind(SimExe::StartMarker("pics/a.png")) + SimExe::StartMarker("pics/a.png").size();
    ebook[page + 3] = static_cast<char>(ebook[page + 3] ^ 0x55);
    work.Write("damaged.exe", ebook);
    Result damaged = Compiler("verify damaged.exe", work.path());
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.out, "");
    EXPECT_EQ(damaged.err.rfind("zorbin-compiler: damaged.exe: block 'PICS/A.PNG' is damaged: ", 0), 0u) << damaged.err;
    Result damagedInfo = Compiler("info damaged.exe", work.path());
    EXPECT_EQ(damagedInfo.status, 1);
    EXPECT_NE(damagedInfo.out.find("damaged  PICS/A.PNG\n"), std::string::npos) << damagedInfo.out;

    Result missing = Compiler("info no-such.exe", work.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Cannot open file " + (work / "no-such.exe")), std::string::npos) << missing.err;
    EXPECT_EQ(Compiler("verify '" + project + "x'", work.path()).status, 1);
}

// A password-protected eBook: built with --password-file (from a folder and
// from a project), described by info without the password, checked by
// verify as far as can be told without it and wholly with it, and searched
// only with it.
TEST_F(CommandLineTest, AProtectedEBookIsReadOnlyWithItsPassword) {
    site.Write("secret.html", "<html><head><title>Hidden</title></head><body>The treasure lies under "
                              "the old oak.</body></html>");
    work.Write("password", "open Sesame\n");  // the line break is not part of it
    work.Write("wrong", "open sesame\n");
    work.Write("empty", "\n");
    ASSERT_EQ(Compiler("build '" + site.path() + "' -q --password-file password -o locked.exe", work.path()).status, 0);
    EXPECT_EQ(Compiler("build '" + site.path() + "' -q --password-file empty -o x.exe", work.path()).status, 1);
    EXPECT_EQ(ReadFile(work / "locked.exe").find("treasure"), std::string::npos);

    Result info = Compiler("info locked.exe", work.path());
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("encrypted: every page and every setting but the title and the toolbar"), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("password           present; tested with Argon2id, 3 passes over 256 MiB, 1 lane\n"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("first page         (encrypted)\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\n  identity and whether it reopens where its reader left off (encrypted)\n"),
              std::string::npos)
        << info.out;
    EXPECT_EQ(info.out.find("Sesame"), std::string::npos) << info.out;

    Result withoutPassword = Compiler("verify locked.exe", work.path());
    EXPECT_EQ(withoutPassword.status, 0) << withoutPassword.err;
    EXPECT_NE(withoutPassword.out.find("as far as can be told without the password"), std::string::npos);
    Result withPassword = Compiler("verify --password-file password locked.exe", work.path());
    EXPECT_EQ(withPassword.status, 0) << withPassword.err;
    EXPECT_NE(withPassword.out.find(" blocks, all sound\n"), std::string::npos) << withPassword.out;
    EXPECT_EQ(Compiler("verify --password-file wrong locked.exe", work.path()).status, 1);

    // A flipped byte in a sealed page is found with the password only.
    std::string ebook = ReadFile(work / "locked.exe");
    const std::string marker = SimExe::StartMarker("secret.html");
    ebook[ebook.rfind(marker) + marker.size() + 20] ^= 0x01;
    work.Write("flipped.exe", ebook);
    EXPECT_EQ(Compiler("verify flipped.exe", work.path()).status, 0);
    Result flipped = Compiler("verify --password-file password flipped.exe", work.path());
    EXPECT_EQ(flipped.status, 1);
    EXPECT_NE(flipped.err.find("block 'SECRET.HTML' is damaged: it does not open with the password"), std::string::npos)
        << flipped.err;

    Result locked = Compiler("search locked.exe oak", work.path());
    EXPECT_EQ(locked.status, 1);
    EXPECT_NE(locked.err.find("it is protected by a password: give it with --password-file FILE"), std::string::npos)
        << locked.err;
    Result wrong = Compiler("search locked.exe oak --password-file wrong", work.path());
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("is not its password"), std::string::npos) << wrong.err;
    Result found = Compiler("search locked.exe oak --password-file password", work.path());
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out.rfind("1\tsecret.html\tHidden\t", 0), 0u) << found.out;

    // A project's own password protects the eBook it builds as well.
    Project(site.path(), work / "from-project.exe", "open Sesame");
    ASSERT_EQ(Compiler("build book.zbp -q", work.path()).status, 0);
    EXPECT_EQ(Compiler("search from-project.exe oak --password-file password", work.path()).status, 0);
    EXPECT_EQ(ReadFile(work / "from-project.exe").find("open Sesame"), std::string::npos);
}

TEST_F(CommandLineTest, SearchListsThePagesOfABuiltEBookBestFirst) {
    site.Write("brew.html", "<html><head><title>Brewing</title></head><body><p>Green tea is brewed at 80 degrees."
                            "</p></body></html>");
    site.Write("green.html", "<html><head><title>Green tea</title></head><body><p>All about it.</p></body></html>");
    ASSERT_EQ(Compiler("build '" + site.path() + "' -o book.exe -q", work.path()).status, 0);

    Result found = Compiler("search book.exe 'green tea'", work.path());
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "1\tgreen.html\tGreen tea\tAll about it\n"
                         "2\tbrew.html\tBrewing\t[Green] [tea] is brewed at 80 degrees\n");
    Result limited = Compiler("search book.exe --limit 1 \"brewed\" degrees", work.path());
    EXPECT_EQ(limited.out, "1\tbrew.html\tBrewing\tGreen tea is [brewed] at 80 [degrees]\n") << limited.err;
    Result none = Compiler("search book.exe zebra", work.path());
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "zorbin-compiler: no page matches zebra\n");

    ASSERT_EQ(Compiler("build '" + site.path() + "' -o plain.exe -q --no-search-index", work.path()).status, 0);
    Result without = Compiler("search plain.exe tea", work.path());
    EXPECT_EQ(without.status, 1);
    EXPECT_EQ(without.err, "zorbin-compiler: plain.exe has no search index (it was built without one)\n");
    std::string index;
    SimExe::ExtractBlockFromFile("/zorbin/search", work / "plain.exe", index);
    EXPECT_TRUE(index.empty());
    EXPECT_NE(Compiler("info book.exe", work.path()).out.find("\n  a search index of "), std::string::npos);
    EXPECT_EQ(Compiler("info plain.exe", work.path()).out.find("search index"), std::string::npos);

    for (const char* bad : {"search book.exe", "search book.exe tea --limit x", "build x --limit 3",
                            "info x --no-search-index"})
        EXPECT_EQ(Compiler(bad, work.path()).status, 2) << bad;
}

// The project's choices are kept in its file; projects from before them
// get an index and contents, and reopen.
TEST_F(CommandLineTest, AProjectKeepsItsSearchIndexContentsAndReopenChoices) {
    site.Write("index.html", "<title>Home</title><a href=\"next.html\">next</a>");
    site.Write("next.html", "<title>Next</title>");
    for (const char* choice : {"0", "1", ""}) {
        SimExe::BlockStore().clear();
        SimExe::AddStringBlock("chome", "index.html");
        SimExe::AddStringBlock("cproject_dir", site.path());
        SimExe::AddStringBlock("ccompile_file", work / "chosen.exe");
        if (*choice) SimExe::AddStringBlock("csearch_index", choice);
        if (*choice) SimExe::AddStringBlock("ccontents", choice);
        if (*choice) SimExe::AddStringBlock("creopen", choice);
        work.Write("chosen.zbp", std::string(SimExe::BlockStore().View()));
        SimExe::BlockStore().clear();
        ASSERT_EQ(Compiler("build chosen.zbp -q", work.path()).status, 0) << choice;
        for (const char* block : {"/zorbin/search", "/zorbin/contents"}) {
            std::string bytes;
            SimExe::ExtractBlockFromFile(block, work / "chosen.exe", bytes);
            EXPECT_EQ(bytes.empty(), std::string(choice) == "0") << choice << " " << block;
        }
        std::string reopen;
        SimExe::ExtractBlockFromFile("/zorbin/reopen", work / "chosen.exe", reopen);
        EXPECT_EQ(ZLibEx::DecompressString(reopen), std::string(choice) == "0" ? "0" : "1") << choice;
    }
}

// --no-reopen, and what info shows of it and of the identity in the eBook
// and in the project saved beside it.
TEST_F(CommandLineTest, InfoShowsTheReopenChoiceAndTheIdentity) {
    const std::string build = "build '" + site.path() + "' -q --no-reopen --save-project tea.zbp -o tea.exe";
    ASSERT_EQ(Compiler(build, work.path()).status, 0);
    const std::string ebook = Compiler("info tea.exe", work.path()).out;
    const std::size_t at = ebook.find("\n  identity: ");
    ASSERT_NE(at, std::string::npos) << ebook;
    const std::string identity = ebook.substr(at + 13, 32);
    EXPECT_NE(ebook.find(identity + "\n  reopens where its reader left off: no\n"), std::string::npos) << ebook;
    const std::string project = Compiler("info tea.zbp", work.path()).out;
    EXPECT_NE(project.find("\n  reopen             0\n  identity           " + identity + "\n"), std::string::npos)
        << project;
}

TEST_F(CommandLineTest, TheContentsFoundAreNamedAndADamagedTableIsReported) {
    site.Write("index.html", "<title>Home</title><a href=\"guide.html\">guide</a>");
    site.Write("guide.html", "<title>Guide</title><h2 id=\"start\">Start</h2>");
    site.Write("lost.html", "<title>Lost</title>");  // and the fixture's about.htm
    site.Write("META-INF/container.xml", "<container><rootfiles><rootfile full-path=\"missing.opf\"/></rootfiles>");
    const Result built = Compiler("build '" + site.path() + "' -o book.exe", work.path());
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_NE(built.err.find("zorbin-compiler: contents: META-INF/container.xml: it is not well-formed XML"),
              std::string::npos)
        << built.err;
    const Result info = Compiler("info book.exe", work.path());
    EXPECT_NE(info.out.find("\n  contents: the links of index.html, 3 entries; 2 pages no entry opens\n"),
              std::string::npos)
        << info.out;
    EXPECT_EQ(Compiler("verify -q book.exe", work.path()).status, 0);

    const Result quiet = Compiler("build '" + site.path() + "' -o quiet.exe -q --no-contents", work.path());
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
    std::string bytes;
    SimExe::ExtractBlockFromFile("/zorbin/contents", work / "quiet.exe", bytes);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(Compiler("info quiet.exe", work.path()).out.find("contents"), std::string::npos);
}
