// A book's state file: it comes back only to its own book (and key), a
// protected book's file tells nothing of the book or the reader, and a save
// that fails anywhere, or races another process's save, leaves one whole
// file and nothing beside it.
#include "StateFile.h"

#include "BookKey.h"
#include "FailingCall.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace readerstate {
namespace {

constexpr char kIdentity[] = "0123456789abcdef0123456789abcdef";
constexpr char kOtherIdentity[] = "fedcba9876543210fedcba9876543210";

std::shared_ptr<const protect::BookKey> Key(char fill) {
    return protect::BookKey::FromBytes(std::string(protect::BookKey::kKeySize, fill));
}

ReaderState StateAt(const std::string& page, const std::string& mark = "Chapter one") {
    ReaderState state;
    state.place = {page, "p:nth-child(4)", 0.25};
    state.bookmarks = {{mark, {page, "h2", 0}}};
    return state;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TEST(StateFile, AClearBooksStateComesBackOnlyToThatBook) {
    TempDir dir;
    const std::string folder = dir / "state/zorbin-ebook";
    const StateFile file(folder, kIdentity, nullptr);
    EXPECT_FALSE(file.Load());
    ASSERT_TRUE(file.Save(StateAt("intro.html")));
    EXPECT_EQ(file.Load(), StateAt("intro.html"));
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(dir / "state"), 0700u);
    EXPECT_EQ(ModeOf(file.FilePath()), 0600u);
    EXPECT_EQ(NamesIn(folder), std::set<std::string>{BaseName(file.FilePath())});
    EXPECT_EQ(BaseName(file.FilePath()).find(kIdentity), std::string::npos);

    const StateFile other(folder, kOtherIdentity, nullptr);
    ASSERT_TRUE(other.Save(StateAt("other.html")));
    EXPECT_EQ(file.Load(), StateAt("intro.html"));
    std::filesystem::copy_file(other.FilePath(), file.FilePath(), std::filesystem::copy_options::overwrite_existing);
    EXPECT_FALSE(file.Load()) << "another book's file";

    std::string newer = ReadFile(other.FilePath());
    newer.replace(newer.find("state 1"), 7, "state 2");
    dir.Write("state/zorbin-ebook/" + BaseName(other.FilePath()), newer);
    EXPECT_FALSE(other.Load()) << "a later version's file";
    EXPECT_TRUE(other.Save(StateAt("again.html")));
    EXPECT_EQ(other.Load(), StateAt("again.html"));
}

TEST(StateFile, AProtectedBooksFileOpensOnlyWithItsKeyAndTellsNothing) {
    TempDir dir;
    const StateFile file(dir.path(), kIdentity, Key('k'));
    ASSERT_TRUE(file.Save(StateAt("secret-page.html", "My secret mark")));
    EXPECT_EQ(file.Load(), StateAt("secret-page.html", "My secret mark"));
    const std::string bytes = ReadFile(file.FilePath());
    for (const char* revealing : {"secret", "nth-child", kIdentity, "zorbin", "book"})
        EXPECT_EQ(bytes.find(revealing), std::string::npos) << revealing;

    const StateFile clear(dir.path(), kIdentity, nullptr), otherKey(dir.path(), kIdentity, Key('K')),
        otherBook(dir.path(), kOtherIdentity, Key('k'));
    const std::string name = BaseName(file.FilePath());
    EXPECT_EQ(name.find(kIdentity), std::string::npos);
    for (const StateFile* other : {&clear, &otherKey, &otherBook}) {
        EXPECT_NE(BaseName(other->FilePath()), name);
        std::filesystem::copy_file(file.FilePath(), other->FilePath());
        EXPECT_FALSE(other->Load()) << "opened with another key or as another book";
    }
    ASSERT_TRUE(otherBook.Save(StateAt("x.html")));
    std::filesystem::copy_file(otherBook.FilePath(), file.FilePath(),
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_FALSE(file.Load()) << "another book's file under this one's name";
}

TEST(StateFile, ASaveThatCannotWriteFailsAndKeepsTheOldState) {
    TempDir dir;
    dir.Write("file", "");
    EXPECT_FALSE(StateFile(dir / "file/zorbin-ebook", kIdentity, nullptr).Save(StateAt("a.html")));
    if (::geteuid() != 0) {  // root writes into read-only folders
        ::chmod(dir.Mkdir("locked").c_str(), 0500);
        EXPECT_FALSE(StateFile(dir / "locked", kIdentity, nullptr).Save(StateAt("a.html")));
    }

    // A full disk, or any other failing call, in every call a save makes.
    const std::string folder = dir.Mkdir("full");
    const StateFile file(folder, kIdentity, Key('k'));
    ASSERT_TRUE(file.Save(StateAt("old.html")));
    bool saved = false;
    const int calls = FailEachCallInTurn(
        ENOSPC, [&] { saved = file.Save(StateAt("new.html")); },
        [&](bool) {
            EXPECT_EQ(file.Load(), StateAt(saved ? "new.html" : "old.html"));
            EXPECT_EQ(NamesIn(folder), std::set<std::string>{BaseName(file.FilePath())});
            EXPECT_TRUE(file.Save(StateAt("old.html")));
        });
    EXPECT_GE(calls, 6);
}

TEST(StateFile, ProcessesSavingAtOnceLeaveOneWholeFile) {
    TempDir dir;
    const StateFile file(dir.path(), kIdentity, nullptr);
    constexpr int kProcesses = 4, kSaves = 150;
    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
        const pid_t child = ::fork();
        if (child == 0) {
            int failures = 0;
            for (int n = 0; n < kSaves; ++n) failures += !file.Save(StateAt("page" + std::to_string(i) + ".html"));
            ::_exit(failures > kSaves / 2 ? 1 : 0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::optional<ReaderState> state = file.Load();
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->place.page.starts_with("page")) << state->place.page;
    EXPECT_EQ(*state, StateAt(state->place.page));
    EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{BaseName(file.FilePath())});
}

TEST(StateFile, TheDefaultFolderFollowsXdgStateHome) {
    ::setenv("HOME", "/home/reader", 1);
    ::setenv("XDG_STATE_HOME", "/var/state", 1);
    EXPECT_EQ(StateFile::DefaultFolder(), "/var/state/zorbin-ebook");
    ::setenv("XDG_STATE_HOME", "relative/state", 1);
    EXPECT_EQ(StateFile::DefaultFolder(), "/home/reader/.local/state/zorbin-ebook");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(StateFile::DefaultFolder(), "/home/reader/.local/state/zorbin-ebook");
}

}  // namespace
}  // namespace readerstate
