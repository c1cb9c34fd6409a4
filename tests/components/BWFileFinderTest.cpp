// File finder on real folders: the attribute filter, order, sub-folders,
// links and folders that cannot be read.
#include "BWFileFinder.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

using namespace BWFileFinder;
using ::testing::ElementsAre;
using K = TFileAttrKind;

namespace {

const TFileAttr kCompilerAttr{K::ffaDirectory, K::ffaAnyFile};

// A site with pages, a hidden file, a hidden and a plain sub-folder, a FIFO.
void MakeSite(const TempDir& dir) {
    dir.Write("index.html", "i");
    dir.Write("b.css", "b");
    dir.Write(".hidden", "h");
    dir.Write("sub/page.htm", "p");
    dir.Write("sub/deeper/pic.gif", "g");
    dir.Write(".secret/inside.html", "s");
    ::mkfifo((dir / "pipe").c_str(), 0644);
}

std::vector<std::string> Find(const std::string& path, TFileAttr attr, bool sub, std::string mask = "*.*") {
    TBWFileFinder finder;
    finder.SetPath(path);
    finder.FileAttr = std::move(attr);
    finder.InSubFolders = sub;
    finder.FileMask = std::move(mask);
    return finder.FindFiles();
}

}  // namespace

TEST(FileFinderAttributes, SumNotBitwiseOr) {
    EXPECT_EQ(SearchAttribute(kCompilerAttr), 79);
    EXPECT_EQ(SearchAttribute({K::ffaAnyFile}), 63);
    EXPECT_EQ(SearchAttribute({}), 0);
    EXPECT_EQ(ExclusionMask(79), 16);
    EXPECT_EQ(ExclusionMask(63), 0);
    EXPECT_EQ(ExclusionMask(16), 14);
    EXPECT_EQ(ExclusionMask(0), 30);
}

TEST(FileFinderDefaults, ConstructorState) {
    TBWFileFinder finder;
    EXPECT_EQ(finder.FileAttr, TFileAttr{K::ffaAnyFile});
    EXPECT_FALSE(finder.InSubFolders);
    EXPECT_EQ(finder.FileMask, "*.*");
    EXPECT_EQ(finder.Path(), std::filesystem::current_path().string() + "/");
}

TEST(FileFinderPath, OnlyAnExistingFolderIsTaken) {
    TempDir dir;
    TBWFileFinder finder;
    finder.SetPath(dir.path());
    EXPECT_EQ(finder.Path(), dir.path() + "/");
    for (const std::string& ignored : {std::string(), dir / "missing", dir.Write("file", "x")}) {
        finder.SetPath(ignored);
        EXPECT_EQ(finder.Path(), dir.path() + "/") << ignored;
    }
    finder.SetPath(dir.path() + "/");
    EXPECT_EQ(finder.Path(), dir.path() + "/");
}

TEST(FileFinderSearch, CompilerSettingsListFilesOnlyFilesFirst) {
    TempDir dir;
    MakeSite(dir);
    // Hidden files are listed, the FIFO counts as a system file and is listed,
    // the hidden folder is never entered, folders themselves never appear.
    EXPECT_THAT(Find(dir.path(), kCompilerAttr, true),
                ElementsAre(".hidden", "b.css", "index.html", "pipe", "sub/page.htm", "sub/deeper/pic.gif"));
    EXPECT_THAT(Find(dir.path(), kCompilerAttr, false), ElementsAre(".hidden", "b.css", "index.html", "pipe"));
}

TEST(FileFinderSearch, AnyFileListsFoldersAndDotEntries) {
    TempDir dir;
    dir.Write("a.txt", "a");
    dir.Write("sub/b.txt", "b");
    EXPECT_THAT(Find(dir.path(), {K::ffaAnyFile}, true),
                ElementsAre(".", "..", "a.txt", "sub", "sub/.", "sub/..", "sub/b.txt"));
}

TEST(FileFinderSearch, EmptyAttributeSkipsHiddenSystemAndFolders) {
    TempDir dir;
    MakeSite(dir);
    EXPECT_THAT(Find(dir.path(), {}, true), ElementsAre("b.css", "index.html", "sub/page.htm", "sub/deeper/pic.gif"));
}

TEST(FileFinderSearch, MaskFiltersFilesButNotSubFolders) {
    TempDir dir;
    dir.Write("a.htm", "a");
    dir.Write("a.html", "a");
    dir.Write("gifs/x.gif", "g");
    dir.Write("gifs/more/y.htm", "y");
    EXPECT_THAT(Find(dir.path(), kCompilerAttr, true, "*.htm"), ElementsAre("a.htm", "gifs/more/y.htm"));
}

TEST(FileFinderSearch, NamesAreInByteOrderWithinAFolder) {
    TempDir dir;
    for (const char* n : {"b", "B", "a", "_", "\xC3\xA9", "10", "9"}) dir.Write(n, "x");
    EXPECT_THAT(Find(dir.path(), kCompilerAttr, false), ElementsAre("10", "9", "B", "_", "a", "b", "\xC3\xA9"));
}

TEST(FileFinderSearch, OnlyTheLeadingPathIsStripped) {
    TempDir dir;
    // A folder deeper down whose path repeats the top folder's text.
    const std::string top = dir.Mkdir("a");
    const std::string nested = dir.path().substr(1) + "/a/";
    dir.Write("a/" + nested + "p.html", "p");
    dir.Write("a/back\\slash.html", "b");
    EXPECT_THAT(Find(top, kCompilerAttr, true), ElementsAre("back\\slash.html", nested + "p.html"));
}

TEST(FileFinderLinks, LinksCountAsWhatTheyPointToAndLoopsEnd) {
    TempDir dir;
    dir.Write("site/page.html", "p");
    dir.Write("elsewhere/shared.css", "s");
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (dir / "site/linked").c_str()), 0);
    dir.Write("site/sub/x.html", "x");
    ASSERT_EQ(::symlink("..", (dir / "site/sub/back").c_str()), 0);  // leads to an ancestor: not entered again
    ASSERT_EQ(::symlink(".", (dir / "site/self").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "site/page.html").c_str(), (dir / "site/alias.html").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "site/dangling.html").c_str()), 0);
    EXPECT_THAT(Find(dir / "site", kCompilerAttr, true),
                ElementsAre("alias.html", "dangling.html", "page.html", "linked/shared.css", "sub/x.html"));
}

TEST(FileFinderSearch, UnreadableFolderContributesNothing) {
    TempDir dir;
    dir.Write("a.html", "a");
    dir.Write("locked/secret.html", "s");
    dir.Write("open/b.html", "b");
    ::chmod((dir / "locked").c_str(), 0);
    ::chmod(dir.path().c_str(), 0755);

    // Permissions do not bind root: search as an unprivileged user then.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        std::string joined;
        for (const std::string& name : Find(dir.path(), kCompilerAttr, true)) joined += name + "\n";
        ssize_t written = ::write(fds[1], joined.data(), joined.size());
        ::_exit(written == static_cast<ssize_t>(joined.size()) ? 0 : 4);
    }
    ::close(fds[1]);
    std::string out;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(out, "a.html\nopen/b.html\n");
}

TEST(FileFinderSearch, FindFilesRefillsTheSameList) {
    TempDir dir;
    dir.Write("one.html", "1");
    TBWFileFinder finder;
    finder.SetPath(dir.path());
    finder.FileAttr = kCompilerAttr;
    const std::vector<std::string>* first = &finder.FindFiles();
    dir.Write("two.html", "2");
    const std::vector<std::string>& second = finder.FindFiles();
    EXPECT_EQ(first, &second);
    EXPECT_THAT(second, ElementsAre("one.html", "two.html"));
}
