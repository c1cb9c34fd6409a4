// Writing files: nothing written for empty data, and a failed write never
// leaves a truncated file or a temporary file behind.
#include "SimExe.h"
#include "TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using namespace SimExe;
using namespace std::string_literals;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

std::size_t EntriesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

std::string CreateErrorOf(const std::string& data, const std::string& name, const std::string& folder) {
    try {
        SaveStringToFile(data, name, folder);
    } catch (const EFCreateError& e) {
        return e.what();
    }
    return "no error";
}

// Lowers the largest file size this process may write, for one scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = saved_;
        lim.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_;
    sighandler_t oldHandler_;
};

}  // namespace

TEST(SaveStringToFile, EmptyDataCreatesNothingAndKeepsAnExistingFile) {
    TempDir dir;
    SaveStringToFile("", dir / "new.txt", "");
    EXPECT_FALSE(std::filesystem::exists(dir / "new.txt"));
    dir.Write("old.txt", "old content");
    SaveStringToFile("", dir / "old.txt", dir.path());
    EXPECT_EQ(ReadFile(dir / "old.txt"), "old content");
}

TEST(SaveStringToFile, RelativeNameIsResolvedInTheFolderGiven) {
    TempDir dir;
    SaveStringToFile("data\0more"s, "out.bin", dir.path());
    EXPECT_EQ(ReadFile(dir / "out.bin"), "data\0more"s);
    char cwd[4096];
    EXPECT_EQ(std::filesystem::path(::getcwd(cwd, sizeof cwd)), std::filesystem::path(dir.path()));
}

TEST(SaveStringToFile, EmptyFolderMeansTheExecutablesFolder) {
    TempDir dir;
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    SaveStringToFile("x", dir / "abs.txt", "");
    char cwd[4096];
    EXPECT_EQ(std::string(::getcwd(cwd, sizeof cwd)), ExecutableFolder());
}

TEST(SaveStringToFile, ReplacingKeepsTheModeAndNewFilesFollowTheUmask) {
    TempDir dir;
    const std::string file = dir.Write("book.exe", "old");
    ::chmod(file.c_str(), 0750);
    SaveStringToFile("new content", file, "");
    EXPECT_EQ(ReadFile(file), "new content");
    EXPECT_EQ(ModeOf(file), 0750u);

    mode_t saved = ::umask(027);
    SaveStringToFile("fresh", dir / "fresh.zbp", "");
    ::umask(saved);
    EXPECT_EQ(ModeOf(dir / "fresh.zbp"), 0640u);
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST(SaveStringToFile, WriteFailingMidwayLeavesTheOldFileIntact) {
    TempDir dir;
    const std::string file = dir.Write("book.exe", "the previous eBook");
    std::string error;
    {
        FileSizeLimit limit(4096);
        error = CreateErrorOf(std::string(100000, 'n'), file, "");
    }
    EXPECT_EQ(error, "Cannot create file " + file);
    EXPECT_EQ(ReadFile(file), "the previous eBook");
    EXPECT_EQ(EntriesIn(dir.path()), 1u) << "a temporary file was left behind";
}

TEST(SaveStringToFile, TargetsThatCannotBeWritten) {
    TempDir dir;
    const std::string folder = dir.Mkdir("a folder");
    EXPECT_EQ(CreateErrorOf("x", folder, ""), "Cannot create file " + folder);
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    const std::string missing = dir / "no/such/folder/file.exe";
    EXPECT_EQ(CreateErrorOf("x", missing, ""), "Cannot create file " + missing);

    // A read-only file is not overwritten, whoever runs the program.
    const std::string readOnly = dir.Write("locked.exe", "locked");
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_EQ(CreateErrorOf("x", readOnly, ""), "Cannot create file " + readOnly);
    EXPECT_EQ(ReadFile(readOnly), "locked");
    EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST(SaveStringToFile, SymbolicLinkIsWrittenThrough) {
    TempDir dir;
    const std::string real = dir.Write("real.zbp", "old");
    ASSERT_EQ(::symlink(real.c_str(), (dir / "link.zbp").c_str()), 0);
    SaveStringToFile("new", dir / "link.zbp", "");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.zbp"));
    EXPECT_EQ(ReadFile(real), "new");
}

TEST(SaveStringToFile, RemovesOnlyTheUnlockedTemporaryFilesOfItsOwnTarget) {
    TempDir dir;
    const std::string file = dir.Write("book.exe", "old");
    const std::string stale = dir.Write(".book.exe.zorbin-Ab3dE9", "left by a killed save");
    const std::string live = dir.Write(".book.exe.zorbin-L1ve00", "a save still writing");
    const int liveFd = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);
    const char* const kept[] = {".book.exe.backup", ".book.exe.zorbin-Ab3dE9x", ".other.exe.zorbin-Ab3dE9",
                                "book.exe.zorbin-Ab3dE9"};
    for (const char* name : kept) dir.Write(name, "not a temporary file of this save");
    ASSERT_EQ(::symlink(file.c_str(), (dir / ".book.exe.zorbin-Link00").c_str()), 0);

    SaveStringToFile("new", file, "");
    ::close(liveFd);
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(ReadFile(live), "a save still writing");
    for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_TRUE(std::filesystem::is_symlink(dir / ".book.exe.zorbin-Link00"));
    EXPECT_EQ(EntriesIn(dir.path()), 7u);
}

TEST(SaveStringToFile, NameOfTheLongestLengthCanBeSaved) {
    TempDir dir;
    const std::string file = dir / std::string(255, 'n');
    SaveStringToFile("old", file, "");
    SaveStringToFile("new", file, "");
    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(FileWriter, PiecesReplaceTheFileOnlyOnCommitThenTheStoreMapsIt) {
    TempDir dir;
    const std::string file = dir.Write("book.exe", "the previous eBook");
    ::chmod(file.c_str(), 0640);
    {
        TFileWriter writer("book.exe", dir.path(), true);
        writer.Write("viewer ");
        writer.WriteBlock("page.htm", "payload");
        EXPECT_EQ(ReadFile(file), "the previous eBook");
        EXPECT_EQ(EntriesIn(dir.path()), 2u) << "the pieces go to a file beside it";
        // The name was resolved when the writer began; another folder
        // current by now changes nothing.
        ASSERT_EQ(::chdir("/"), 0);
        writer.CommitToBlockStore();
    }
    const std::string written = "viewer " + StartMarker("page.htm") + "payload" + EndMarker("page.htm");
    EXPECT_EQ(ReadFile(file), written);
    EXPECT_EQ(BlockStore().View(), written);
    EXPECT_EQ(ModeOf(file), 0750u);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
    BlockStore().clear();
}

TEST(FileWriter, DroppedOrFailedItLeavesThePreviousFileAndNothingBeside) {
    TempDir dir;
    const std::string file = dir.Write("book.exe", "the previous eBook");
    {
        TFileWriter writer(file, "");
        writer.Write("half of a new eBook");
    }
    EXPECT_EQ(ReadFile(file), "the previous eBook");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

    std::string error;
    try {
        FileSizeLimit limit(4096);
        TFileWriter writer(file, "");
        writer.Write(std::string(100000, 'n'));
        writer.CommitToBlockStore();
    } catch (const EFCreateError& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Cannot create file " + file);
    EXPECT_EQ(ReadFile(file), "the previous eBook");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
    EXPECT_TRUE(BlockStore().empty());

    try {
        TFileWriter writer("book.exe", dir / "no such folder");
        error = "no error";
    } catch (const EFCreateError& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Cannot create file book.exe");
}
