// Every setting of the window from the command line: each option lands in
// its settings block with the exact bytes, from a folder and over a
// project's own setting (and nothing else of the project changes); the
// window and the command line make the same eBook byte for byte; the
// project the command line saves builds the same eBook again; mistakes are
// usage errors; and the password never stands in the compiler's command line.
#include "BlockList.h"
#include "ScriptedDialogsFor.h"
#include "SimExe.h"
#include "TempDir.h"
#include "compilerUnit1.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <thread>

extern char** environ;

namespace {

using Blocks = std::map<std::string, std::string>;

// Runs the compiler with its arguments, standard input from `input` (a
// file, or a pipe being written), and the command lines it showed in /proc
// while it ran. Returns its exit status.
int Compile(const std::vector<std::string>& args, const std::string& input = "/dev/null",
            std::vector<std::string>* shown = nullptr) {
    std::vector<std::string> argv = {ZORBIN_COMPILER};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ) != 0) return -1;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (shown) shown->push_back(ReadFile("/proc/" + std::to_string(pid) + "/cmdline"));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The settings blocks of an eBook, by folded name, decompressed: the blocks
// begin right after the viewer.
Blocks Settings(const std::string& ebook) {
    static const std::size_t viewer = ReadFile(ZORBIN_VIEWER_PAYLOAD).size();
    Blocks settings;
    for (const auto& [name, value] : ListBlocks(ReadFile(ebook).substr(viewer), false))
        if (name[0] != '/' && name.find('.') == std::string::npos && name != "MAIN_PROG_FILE")
            settings[name] = ZLibEx::DecompressString(value);
    return settings;
}

class BuildOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        site.Write("index.html", "<html><body>home</body></html>");
        site.Write("about.htm", "<html><body>about</body></html>");
        work.Write("start.txt", "Welcome,\nreader.\n");
        work.Write("password", "p4ss word\n");
    }
    TempDir site, work;
};

}  // namespace

TEST_F(BuildOptionsTest, EveryOptionLandsInItsSettingsBlockFromAFolder) {
    ASSERT_EQ(Compile({"build", site.path(), "-q", "-o", work / "all.exe", "--first-page", "about.htm", "--title",
                       "Tea & Co", "--number", "ISBN 7", "--author", "Ann", "--email", "ann@example.org", "--web",
                       "https://example.org", "--about", "Line one\nLine two", "--start-message-file",
                       work / "start.txt", "--close-message", "Bye", "--toolbar", "back,home,print,exit",
                       "--context-menu", "--no-print", "--no-search-index"}),
              0);
    EXPECT_EQ(Settings(work / "all.exe"),
              (Blocks{{"CTOOLBAR", "100100001001111"},  // print off: position 7 too
                      {"CONSTART", "Welcome,\r\nreader.\r\n"},
                      {"CONCLOSE", "Bye"},
                      {"CHOME", "about.htm"},
                      {"CPROJECT", "Tea & Co"},
                      {"CENUMBER", "ISBN 7"},
                      {"CAUTHOR", "Ann"},
                      {"CEMAIL", "ann@example.org"},
                      {"CWEB", "https://example.org"},
                      {"CABOUT", "Line one\r\nLine two"}}));
    EXPECT_EQ(ReadFile(work / "all.exe").find(SimExe::StartMarker("/zorbin/search")), std::string::npos);

    // The defaults are a new project's.
    ASSERT_EQ(Compile({"build", site.path(), "-q", "-o", work / "plain.exe"}), 0);
    EXPECT_EQ(Settings(work / "plain.exe"), (Blocks{{"CTOOLBAR", "111111111010100"}, {"CHOME", "index.html"}}));
    ASSERT_EQ(Compile({"build", site.path(), "-q", "-o", work / "none.exe", "--toolbar", "", "--no-context-menu"}), 0);
    EXPECT_EQ(Settings(work / "none.exe").at("CTOOLBAR"), "000000000010100");
}

TEST_F(BuildOptionsTest, AnOptionOverridesThatOneSettingOfAProjectAndNothingElse) {
    // A project with every setting, saved by the command line itself.
    ASSERT_EQ(Compile({"build", site.path(), "-q", "-o", work / "first.exe", "--save-project", work / "book.zbp",
                       "--title", "Saved", "--author", "Ann", "--about", "About it", "--start-message", "Hello",
                       "--toolbar", "next,stop", "--no-print"}),
              0);
    const Blocks saved = Settings(work / "first.exe");
    const std::string first = ReadFile(work / "first.exe");
    ASSERT_EQ(Compile({"build", work / "book.zbp", "-q"}), 0);  // into the project's own output file
    EXPECT_EQ(ReadFile(work / "first.exe") == first, true) << "the saved project builds the same eBook";

    const std::vector<std::pair<std::vector<std::string>, Blocks>> overrides = {
        {{"--title", "Renamed"}, {{"CPROJECT", "Renamed"}}},
        {{"--number", "8"}, {{"CENUMBER", "8"}}},
        {{"--author", "Bo"}, {{"CAUTHOR", "Bo"}}},
        {{"--email", "e@x"}, {{"CEMAIL", "e@x"}}},
        {{"--web", "w"}, {{"CWEB", "w"}}},
        {{"--about-file", work / "start.txt"}, {{"CABOUT", "Welcome,\r\nreader.\r\n"}}},
        {{"--start-message", "Hi"}, {{"CONSTART", "Hi"}}},
        {{"--close-message-file", work / "start.txt"},
         {{"CONCLOSE", "Welcome,\r\nreader.\r\n"}, {"CTOOLBAR", "010010000011111"}}},  // shown from now on
        {{"--toolbar", "search,about"}, {{"CTOOLBAR", "000001010011110"}}},
        {{"--context-menu"}, {{"CTOOLBAR", "010010000001110"}}},
        {{"--print"}, {{"CTOOLBAR", "010010000010110"}}},
        {{"--first-page", "about.htm"}, {{"CHOME", "about.htm"}}},
    };
    for (const auto& [options, changed] : overrides) {
        std::vector<std::string> args = {"build", work / "book.zbp", "-q", "-o", work / "over.exe"};
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_EQ(Compile(args), 0) << options[0];
        Blocks expected = saved;
        for (const auto& [name, value] : changed) expected[name] = value;
        EXPECT_EQ(Settings(work / "over.exe"), expected) << options[0];
    }
}

// Compiles the site in the window, as an author does: the folder, its first
// page, whatever `set` sets, the output file.
std::string CompileInTheWindow(const std::string& site, const std::string& output,
                               const std::function<void(compiler::TForm1&)>& set) {
    toolkit::ScriptedDialogs& dialogs = UseScriptedDialogs();
    SimExe::SetOwnImageFile(ZORBIN_COMPILER);  // its viewer
    {
        compiler::TForm1 form;
        form.FormCreate();
        dialogs.folderAnswers.push_back(toolkit::FolderChoice{site, "site"});
        form.Button3->Click();
        form.vProject_homepage->SetText("index.html");
        set(form);
        form.Vcompile_file->SetText(output);
        form.SpeedButton14->Click();
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text;
    }
    SimExe::SetOwnImageFile("");
    SimExe::BlockStore().clear();
    return ReadFile(output);
}

TEST_F(BuildOptionsTest, TheWindowAndTheCommandLineMakeTheSameEBook) {
    // A new project's settings.
    ASSERT_EQ(Compile({"build", site.path(), "-q", "-o", work / "cli-new.exe"}), 0);
    EXPECT_EQ(CompileInTheWindow(site.path(), work / "window-new.exe", [](compiler::TForm1&) {}) ==
                  ReadFile(work / "cli-new.exe"),
              true);
    // Settings of every kind, the password too.
    ASSERT_EQ(Compile({"build", site.path(), "-q", "-o", work / "cli.exe", "--title", "Same", "--author", "Ann",
                       "--about", "Two\nlines", "--close-message", "Bye", "--toolbar", "back,next,exit",
                       "--no-context-menu", "--no-print", "--password-file", work / "password"}),
              0);
    const std::string window = CompileInTheWindow(site.path(), work / "window.exe", [](compiler::TForm1& form) {
        form.vproject_title->SetText("Same");
        form.vauthor->SetText("Ann");
        form.vabout->SetText("Two\r\nlines");
        form.vShowClose->SetChecked(true);
        form.vOnClose->SetText("Bye");
        for (toolkit::TCheckBox* box : {form.vT3, form.vT4, form.vT5, form.vT6, form.vT7, form.vT8})
            box->SetChecked(false);
        form.vDisable_print->SetChecked(true);
        form.vUse_pass->SetChecked(true);
        form.vpass->SetText("p4ss word");
    });
    EXPECT_EQ(window == ReadFile(work / "cli.exe"), true);
}

TEST_F(BuildOptionsTest, MistakesAreUsageErrors) {
    work.Write("empty", "");
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--toolbar", "back,forward"}, {"--title", "A", "--title", "B"},
          {"--about", "x", "--about-file", work / "start.txt"}, {"--start-message", "x", "--start-message-file", "f"},
          {"--close-message", "x", "--close-message-file", "f"}, {"--print", "--no-print"},
          {"--context-menu", "--no-context-menu"}, {"--number"}}) {
        std::vector<std::string> args = {"build", site.path(), "-o", work / "bad.exe"};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(Compile(args), 2) << bad[0];
    }
    EXPECT_EQ(Compile({"build", site.path(), "-q", "-o", work / "same.exe", "--title", "A", "--title", "A"}), 0);
    EXPECT_EQ(Compile({"build", site.path(), "-o", work / "bad.exe", "--password-file", work / "missing"}), 1);
    EXPECT_EQ(Compile({"build", site.path(), "-o", work / "bad.exe", "--password-file", work / "empty"}), 1);
    EXPECT_EQ(Compile({"build", site.path(), "-o", work / "bad.exe", "--about-file", work / "missing"}), 1);
    EXPECT_FALSE(std::filesystem::exists(work / "bad.exe"));
}

TEST_F(BuildOptionsTest, ThePasswordNeverStandsInTheCompilersCommandLine) {
    std::vector<std::string> shown;
    ASSERT_EQ(Compile({"build", site.path(), "-q", "-o", work / "file.exe", "--password-file", work / "password"},
                      "/dev/null", &shown),
              0);
    // From standard input: a pipe written only once the compiler runs.
    const std::string fifo = work / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        ASSERT_EQ(::write(fd, "p4ss word\n", 10), 10);
        ::close(fd);
    });
    const int status = Compile({"build", site.path(), "-q", "-o", work / "stdin.exe", "--password-file", "-"}, fifo, &shown);
    writer.join();
    ASSERT_EQ(status, 0);
    ASSERT_GT(shown.size(), 10u);
    for (const std::string& line : shown) EXPECT_EQ(line.find("p4ss"), std::string::npos) << line;
    // Both books open with the password, and are the same book.
    EXPECT_EQ(ReadFile(work / "file.exe") == ReadFile(work / "stdin.exe"), true);
    EXPECT_EQ(Compile({"search", work / "stdin.exe", "home", "--password-file", work / "password"}), 0);
}
