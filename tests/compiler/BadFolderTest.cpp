// Project folders holding more than plain files, files that change between
// the scan and the compile, and names no URL carries as they are. The compile
// either puts each listed file into the eBook or stops with the file layer's
// error naming it, and never hangs; the page protocol then serves every
// included name as a link writes it.
#include "Ascii.h"
#include "CompileFixture.h"
#include "FileSystem.h"
#include "PageRequest.h"
#include "ZLibEx.h"
#include "eProtocol.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

namespace {

// The decompressed payload of a block of the eBook, if it holds one.
std::optional<std::string> PageIn(const std::string& ebook, const std::string& name) {
    auto payload = SimExe::FindBlock(ebook, name);
    if (!payload) return std::nullopt;
    return ZLibEx::DecompressString(std::string(*payload));
}

// A name as a link in a page writes it: every byte but letters, digits,
// "-._~" and "/" as an escape.
std::string LinkTo(const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string link;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (ascii::IsAlnum(c)) {
            link += c;
        } else if (std::strchr("-._~/", c) && c != '\0') {
            link += c;
        } else {
            link += '%';
            link += hex[b >> 4];
            link += hex[b & 15];
        }
    }
    return link;
}

// Removes a folder tree through folder descriptors, so paths longer than
// the system takes in one piece go too.
void RemoveTreeAt(int parent, const char* name) {
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlinkat(parent, name, 0);
        return;
    }
    DIR* dir = ::fdopendir(fd);
    std::vector<std::string> entries;
    while (const dirent* e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) entries.push_back(e->d_name);
    for (const std::string& e : entries) RemoveTreeAt(::dirfd(dir), e.c_str());
    ::closedir(dir);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

// While it lives, a file gets a new size the moment it is first read,
// after the compile has opened it and planned its reads.
class ResizedOnFirstRead {
public:
    ResizedOnFirstRead(const std::string& path, off_t size) {
        path_ = std::filesystem::canonical(path);
        size_ = size;
        resized_ = false;
        SimExe::FileSystem::Calls calls = SimExe::FileSystem::Sys();
        calls.pread = Read;
        real_ = SimExe::FileSystem::Install(calls);
    }
    ~ResizedOnFirstRead() { SimExe::FileSystem::Install(real_); }
    bool Resized() const { return resized_; }

private:
    static ssize_t Read(int fd, void* buffer, size_t count, off_t offset) {
        char opened[PATH_MAX];
        const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), opened, sizeof opened);
        if (n > 0 && std::string(opened, static_cast<std::size_t>(n)) == path_ && !resized_.exchange(true)) {
            EXPECT_EQ(::truncate(path_.c_str(), size_), 0);
        }
        return real_.pread(fd, buffer, count, offset);
    }
    static inline std::string path_;
    static inline off_t size_ = 0;
    static inline std::atomic<bool> resized_{false};
    static inline SimExe::FileSystem::Calls real_{};
};

class BadFolderTest : public CompileTest {
protected:
    void SetUp() override {
        CompileTest::SetUp();
        // A compile that blocks ends this program here rather than at the
        // suite's time limit.
        ::alarm(300);
    }
    void TearDown() override {
        ::alarm(0);
        CompileTest::TearDown();
    }

    // Scans the site, lets `meanwhile` change it, then compiles. Returns the
    // error shown, or nothing when the eBook was written.
    std::optional<std::string> Compile(const std::function<void()>& meanwhile = {}) {
        std::filesystem::remove(out / "eBook.exe");
        Prepare();
        if (meanwhile) meanwhile();
        dialogs->messages.clear();
        form->SpeedButton14->Click();
        if (dialogs->messages.empty()) return std::nullopt;
        EXPECT_EQ(dialogs->messages.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(out / "eBook.exe"));
        return dialogs->messages[0].text;
    }
    bool Listed(const std::string& entry) const {
        const auto& items = form->vProject_files->Items();
        return std::find(items.begin(), items.end(), entry) != items.end();
    }
    std::string CannotOpen(const std::string& entry) const { return "Cannot open file " + site / entry + "."; }
};

}  // namespace

TEST_F(BadFolderTest, WhatIsNotARegularFileStopsTheCompileNamingIt) {
    const auto fifo = [&] { return ::mkfifo((site / "pipe").c_str(), 0644) == 0; };
    const auto socket = [&] {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, (site / "socket").c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return bound;
    };
    const auto device = [&] {
        // A real node where this process may make one, else a link to one.
        return ::mknod((site / "device").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0 ||
               ::symlink("/dev/null", (site / "device").c_str()) == 0;
    };
    const auto dangling = [&] { return ::symlink("nowhere.html", (site / "dangling").c_str()) == 0; };
    const std::pair<const char*, std::function<bool()>> kinds[] = {
        {"pipe", fifo}, {"socket", socket}, {"device", device}, {"dangling", dangling}};
    for (const auto& [name, make] : kinds) {
        ASSERT_TRUE(make()) << name;
        EXPECT_EQ(Compile(), CannotOpen(name));
        EXPECT_TRUE(Listed(name)) << name;
        std::filesystem::remove(site / name);
    }
    EXPECT_EQ(Compile(), std::nullopt);
}

TEST_F(BadFolderTest, FileThatChangesAfterTheScanIsNamedInTheError) {
    const std::string page = site / "images/a.gif";
    int writer = -1;
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"deleted", [&] { std::filesystem::remove(page); }},
        {"now a FIFO", [&] { std::filesystem::remove(page), ::mkfifo(page.c_str(), 0644); }},
        {"now a FIFO with a writer", [&] {
             std::filesystem::remove(page), ::mkfifo(page.c_str(), 0644);
             writer = ::open(page.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
         }},
        {"now a folder", [&] { std::filesystem::remove(page), std::filesystem::create_directory(page); }},
        {"now a dangling link", [&] { std::filesystem::remove(page), std::filesystem::create_symlink("gone.gif", page); }},
    };
    for (const auto& [change, apply] : changes) {
        EXPECT_EQ(Compile(apply), CannotOpen("images/a.gif")) << change;
        if (writer >= 0) ::close(writer), writer = -1;
        std::filesystem::remove(page);
        site.Write("images/a.gif", "GIF89a");
    }
}

TEST_F(BadFolderTest, FileThatChangesSizeWhileItIsCompiledIsNamedInTheError) {
    constexpr off_t kLarge = (5 << 20) + 1;  // six chunks
    const std::pair<const char*, off_t> pages[] = {{"images/a.gif", 8}, {"film.webm", kLarge}};
    for (const auto& [page, size] : pages) {
        for (const off_t change : {off_t{-3}, off_t{+1}}) {
            SCOPED_TRACE(page + std::string(change < 0 ? " shrinks" : " grows"));
            site.Write(page, std::string(static_cast<std::size_t>(size), 'p'));
            std::optional<std::string> error;
            {
                ResizedOnFirstRead resize(site / page, size + change);
                error = Compile();
                EXPECT_TRUE(resize.Resized());
            }
            EXPECT_EQ(error, "The file " + site / page + " changed while it was compiled.");
        }
    }
    std::filesystem::remove(site / "film.webm");
    site.Write("images/a.gif", "GIF89a");
    EXPECT_EQ(Compile(), std::nullopt);
}

TEST_F(BadFolderTest, EmptyFileIsAnEmptyPage) {
    site.Write("empty.html", "");
    ASSERT_EQ(Compile(), std::nullopt);
    EXPECT_EQ(PageIn(Output(), "empty.html"), "");
}

TEST_F(BadFolderTest, NamesNoUrlCarriesAsTheyAreAreIncludedAndServed) {
    const std::string names[] = {
        "with space.html", "hash#1.html",       "100%.html",     "what?.html",
        "a+b&c=d;e.html",  "latin1-\xE9.html",  "sch\xC3\xB6n.html", "line\nbreak.html", "tab\tand\rcr.txt",
        "back\\slash.htm", "quote\"'<>.css",    "sub dir#x/in?side%20.html", ".hidden.html", "-.html",
    };
    for (const std::string& name : names) site.Write(name, "page " + name);
    ASSERT_EQ(Compile(), std::nullopt);
    const std::string ebook = Output();
    const std::shared_ptr<const book::Book> book = book::Book::OfBytes(ebook);
    viewer::pages_ready = true;
    for (const std::string& name : names) {
        EXPECT_TRUE(Listed(name)) << name;
        EXPECT_EQ(PageIn(ebook, name), "page " + name) << name;
        EXPECT_EQ(RequestPage(book, viewer::kPagePrefix + LinkTo(name)), "page " + name) << LinkTo(name);
    }
    viewer::pages_ready = false;
}

TEST_F(BadFolderTest, DeepAndLongPathsAreIncludedOrNamedInTheError) {
    std::string deep;
    for (int i = 0; i < 150; ++i) deep += "d/";
    site.Write(deep + "deep.html", "deep");

    // Folders whose joined names pass what the system takes as one path.
    const std::string longName(250, 'L');
    std::string longEntry;
    int fd = ::open(site.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (longEntry.size() <= PATH_MAX) {
        ASSERT_EQ(::mkdirat(fd, longName.c_str(), 0755), 0);
        const int next = ::openat(fd, longName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        longEntry += longName + "/";
    }
    const int file = ::openat(fd, "far.html", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::write(file, "far", 3), 3);
    ::close(file);
    ::close(fd);
    longEntry += "far.html";

    const std::optional<std::string> error = Compile();
    EXPECT_TRUE(Listed(deep + "deep.html"));
    EXPECT_TRUE(Listed(longEntry));
    if (error) {
        EXPECT_EQ(*error, CannotOpen(longEntry));
    } else {
        EXPECT_EQ(PageIn(Output(), deep + "deep.html"), "deep");
        EXPECT_EQ(PageIn(Output(), longEntry), "far");
    }
    const int root = ::open(site.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    RemoveTreeAt(root, longName.c_str());
    ::close(root);
}
