// Start-up housekeeping with real processes: the current directory, the
// temp0a0.exe exchange and the read-only cases.
#include "FailingCall.h"
#include "Housekeeping.h"
#include "SimExe.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Runs the probe program, as a given user when asked, and waits for it.
// Returns its wait status.
int RunProbe(const std::string& program, const std::vector<std::string>& args, const std::string& log,
         const std::string& home = "", uid_t user = 0) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("PROBE_LOG", log.c_str(), 1);
        if (!home.empty()) ::setenv("HOME", home.c_str(), 1);
        if (user && (::setgid(user) != 0 || ::setuid(user) != 0)) ::_exit(3);
        if (::chdir("/") != 0) ::_exit(4);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// Waits until the log holds the given number of lines (detached programs
// write theirs a little later).
std::vector<std::string> LogLines(const std::string& log, std::size_t count) {
    std::vector<std::string> lines;
    for (int i = 0; i < 500; ++i) {
        lines.clear();
        std::string text = ReadFile(log), line;
        for (char c : text) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        if (lines.size() >= count) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return lines;
}

bool WaitUntilGone(const std::string& path) {
    for (int i = 0; i < 500 && fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !fs::exists(path);
}

class HousekeepingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::chmod(dir.path().c_str(), 0777);
        log = dir / "log.txt";
        probe = Install("probe", "");
    }
    // A copy of the probe program in the test folder, with bytes added at its end.
    std::string Install(const std::string& name, const std::string& tail) {
        const std::string path = dir / name;
        std::string bytes = ReadFile(PROBE_PROGRAM) + tail;
        dir.Write(name, bytes);
        ::chmod(path.c_str(), 0755);
        return path;
    }
    TempDir dir;
    std::string log, probe;
};

}  // namespace

TEST_F(HousekeepingTest, ProgramInAWritableFolderOnlyMovesIntoItsFolder) {
    RunProbe(probe, {}, log);
    EXPECT_EQ(LogLines(log, 1), std::vector<std::string>{probe + "||end=0|cwd=" + dir.path() + "|updated=0"});
}

TEST_F(HousekeepingTest, TemporaryExecutableRewritesTheTargetRestartsItAndIsDeleted) {
    const std::string target = Install("book.exe", "");
    const std::string temp = Install("temp0a0.exe", "NEW-VERSION");
    RunProbe(temp, {"book.exe"}, log);
    auto lines = LogLines(log, 2);
    ASSERT_EQ(lines.size(), 2u);
    std::sort(lines.begin(), lines.end());  // either program may write its line first
    EXPECT_EQ(lines[0], target + "|deltemp|end=0|cwd=" + dir.path() + "|updated=1");
    EXPECT_EQ(lines[1], temp + "|book.exe|end=1|cwd=" + dir.path() + "|updated=1");
    EXPECT_TRUE(WaitUntilGone(temp));
    EXPECT_EQ(ReadFile(target), ReadFile(PROBE_PROGRAM) + "NEW-VERSION");
}

TEST_F(HousekeepingTest, RewriteThatCannotBeWrittenEndsWithItsErrorNotACrash) {
    const std::string temp = Install("temp0a0.exe", "NEW-VERSION");
    const int status = RunProbe(temp, {"no-such-folder/book.exe"}, log);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
}

TEST_F(HousekeepingTest, TemporaryNameIsFoldedButDeltempIsNot) {
    const std::string temp = Install("Temp0A0.EXE", "NEW-VERSION");
    RunProbe(temp, {}, log);  // no target: nothing to rewrite, it just ends
    EXPECT_EQ(LogLines(log, 1)[0], temp + "||end=1|cwd=" + dir.path() + "|updated=1");

    Install("temp0a0.exe", "");
    RunProbe(probe, {"DELTEMP"}, log);
    EXPECT_EQ(LogLines(log, 2).size(), 2u);
    EXPECT_TRUE(fs::exists(dir / "temp0a0.exe"));
    RunProbe(probe, {"deltemp"}, log);  // and a missing file does not keep it waiting
    RunProbe(probe, {"deltemp"}, log);
    EXPECT_EQ(LogLines(log, 4).size(), 4u);
    EXPECT_FALSE(fs::exists(dir / "temp0a0.exe"));
}

TEST_F(HousekeepingTest, ReadOnlyProgramOnWritableMediaLosesTheAttributeAndRuns) {
    ::chmod(probe.c_str(), 0555);
    RunProbe(probe, {}, log);
    EXPECT_EQ(LogLines(log, 1)[0], probe + "||end=0|cwd=" + dir.path() + "|updated=0");
    struct stat st;
    ASSERT_EQ(::stat(probe.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
}

TEST_F(HousekeepingTest, ProgramThatCannotBeMadeWritableStartsItsCopyUnderHome) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as a user who cannot change it";
    const uid_t nobody = 65534;
    const std::string home = dir.Mkdir("home");
    ASSERT_EQ(::chown(home.c_str(), nobody, nobody), 0);
    dir.Write("log.txt", "");
    ::chmod(log.c_str(), 0666);
    ::chmod(probe.c_str(), 0555);

    RunProbe(probe, {}, log, home, nobody);
    auto lines = LogLines(log, 2);
    ASSERT_EQ(lines.size(), 2u);
    std::sort(lines.begin(), lines.end());  // the copy may write its line first
    const std::string copy = home + "/probe/probe";
    EXPECT_EQ(lines[0], copy + "||end=0|cwd=" + home + "/probe|updated=0");
    EXPECT_EQ(lines[1], probe + "||end=1|cwd=" + dir.path() + "|updated=0");
    EXPECT_EQ(ReadFile(copy), ReadFile(probe));

    // An existing copy is started as it is.
    dir.Write("home/probe/probe", ReadFile(probe) + "NEW-VERSION");
    ASSERT_EQ(::chown(copy.c_str(), nobody, nobody), 0);
    ::chmod(copy.c_str(), 0755);
    RunProbe(probe, {}, log, home, nobody);
    lines = LogLines(log, 4);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(std::count(lines.begin() + 2, lines.end(), copy + "||end=0|cwd=" + home + "/probe|updated=1"));
}

TEST_F(HousekeepingTest, RewriteFailingAtAnyFileCallKeepsTheTargetProgram) {
    const std::string target = dir / "book.exe";
    const std::string previous = "the program before", image = dir.Write("new-image", "the program after");
    SimExe::SetOwnImageFile(image);
    SimExe::LoadOwnImage();
    dir.Write("book.exe", previous);
    const std::set<std::string> names = NamesIn(dir.path());
    std::string error;
    const int calls = FailEachCallInTurn(
        EIO,
        [&] {
            ::chmod(target.c_str(), 0644);
            dir.Write("book.exe", previous);
            ::chmod(target.c_str(), 0555);  // a read-only target is made writable first
            error.clear();
            try {
                SimExe::ReplaceProgramFile(target);
            } catch (const SimExe::EFileError& e) {
                error = e.what();
            }
        },
        [&](bool failed) {
            if (!error.empty()) {
                EXPECT_EQ(error, "Cannot create file " + target);
                EXPECT_EQ(ReadFile(target), previous);
            } else {
                EXPECT_EQ(ReadFile(target), "the program after");
                struct stat st;
                EXPECT_TRUE(::stat(target.c_str(), &st) == 0 && (st.st_mode & S_IXUSR));
            }
            if (!failed) {
                EXPECT_EQ(error, "");
            }
            EXPECT_EQ(NamesIn(dir.path()), names);
        });
    EXPECT_GE(calls, 10);
    SimExe::SetOwnImageFile("");
    SimExe::BlockStore().clear();
}
