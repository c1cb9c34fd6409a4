// The real compiler program on the command line: options, exit codes, and
// eBooks built from a folder and from a saved project.
#include "BlockList.h"
#include "SimExe.h"
#include "TempDir.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

namespace {

struct Result {
    int status;
    std::string out, err;
};

// Runs the compiler with the arguments from the given folder.
Result Compiler(const std::string& args, const std::string& folder = "/") {
    TempDir capture;
    const std::string command = "cd '" + folder + "' && '" ZORBIN_COMPILER "' " + args + " >'" + (capture / "out") +
                                "' 2>'" + (capture / "err") + "' </dev/null";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(capture / "out"), ReadFile(capture / "err")};
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        site.Write("index.html", "<html>start</html>");
        site.Write("about.htm", "<html>about</html>");
        site.Write("pics/a.png", std::string("\x89PNG\r\n\x1a\n", 8));
    }
    // A project file as the window saves it, naming the site and an output file.
    std::string Project(const std::string& dir, const std::string& output) {
        SimExe::BlockStore().clear();
        SimExe::AddStringBlock("ctoolbar", "111111111010100");
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
    Result help = Compiler("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: zorbin-compiler build"), std::string::npos);
    EXPECT_EQ(help.err, "");
    Result version = Compiler("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("zorbin-compiler (Zorbin eBook Compiler) ", 0), 0u);
    for (const char* bad : {"frobnicate", "build", "build a b", "build x --bogus", "build x -o"}) {
        Result r = Compiler(bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.out, "") << bad;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << bad;
    }
}

TEST(CommandLine, CompilerCarriesTheViewer) {
    std::string viewer;
    SimExe::ExtractBlockFromFile("main_prog_file", ZORBIN_COMPILER, viewer);
    EXPECT_EQ(viewer, ReadFile(ZORBIN_VIEWER_PAYLOAD));
    EXPECT_GT(viewer.size(), 10000u);
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
    EXPECT_EQ(ListBlocks(ebook.substr(viewer.size())),
              (Blocks{{"CTOOLBAR", "111111111010100"}, {"CHOME", "index.html"}, {"CPROJECT", "My Book"},
                      {"ABOUT.HTM", "<html>about</html>"}, {"INDEX.HTML", "<html>start</html>"},
                      {"PICS/A.PNG", std::string("\x89PNG\r\n\x1a\n", 8)}}));
    EXPECT_NE(std::filesystem::status(work / name).permissions() & std::filesystem::perms::owner_exec,
              std::filesystem::perms::none);

    Result again = Compiler("build '" + site.path() + "' --title 'My Book' -o again.exe", work.path());
    ASSERT_EQ(again.status, 0);
    EXPECT_EQ(ReadFile(work / "again.exe"), ebook);
    EXPECT_NE(again.err.find("eBook Sucessfully Created"), std::string::npos);
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
