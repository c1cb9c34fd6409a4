// File reads, whole or in pieces, and atomic file replacement.
#include "FileIO.h"

#include "Ascii.h"
#include "FileSystem.h"
#include "SimExe.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace SimExe::FileIO {

using FileSystem::Sys;

Fd::~Fd() {
    if (fd >= 0) Sys().close(fd);
}

std::size_t OpenRegularFile(Fd& f, const std::string& fileName, const char* openName) {
    f.fd = Sys().open(openName ? openName : fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    struct stat st;
    if (f.fd < 0 || Sys().fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) throw EFOpenError(fileName);
    return static_cast<std::size_t>(st.st_size);
}

// Read straight into the string, sized as the file was when it was opened;
// what the file gained meanwhile is appended.
std::string ReadWholeFile(const std::string& fileName, const char* openName) {
    const PieceReader file(fileName, openName);
    std::string data;
    data.resize(file.ReadInto(data, 0, file.Size()).size());
    std::string more;
    for (std::string_view piece; !(piece = file.ReadInto(more, data.size(), 1 << 16)).empty();) data += piece;
    return data;
}

PieceReader::PieceReader(const std::string& fileName, const char* openName) : name_(fileName) {
    size_ = OpenRegularFile(file_, fileName, openName);
}

std::string PieceReader::Read(std::uint64_t offset, std::size_t length) const {
    std::string piece;
    piece.resize(ReadInto(piece, offset, length).size());
    return piece;
}

std::string_view PieceReader::ReadInto(std::string& buffer, std::uint64_t offset, std::size_t length) const {
    if (buffer.size() < length) buffer.resize(length);
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = Sys().pread(file_.fd, buffer.data() + got, length - got, static_cast<off_t>(offset + got));
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EFOpenError(name_);
        }
        got += static_cast<std::size_t>(n);
    }
    return {buffer.data(), got};
}

namespace {

mode_t CurrentUmask() {
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

}  // namespace

bool WriteAll(int fd, std::string_view data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = Sys().write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        // A write that takes nothing would never finish.
        if (n <= 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string BaseName(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

namespace {

// The file a write to `path` lands in: a symbolic link is written through
// (a dangling one is replaced). False when that cannot be told.
bool FindWriteTarget(const std::string& path, std::string& target) {
    target = path;
    struct stat st;
    if (Sys().lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISLNK(st.st_mode)) return true;
    char resolved[PATH_MAX];
    if (!Sys().realpath(path.c_str(), resolved)) return errno == ENOENT;
    target = resolved;
    return true;
}

// Temporary files are named after the file they replace: "." + its name
// (cut short, so the temporary name stays within the length a name may
// have) + ".zorbin-" + six letters or digits.
constexpr std::size_t kNameKeptInTemp = 200;
const char kTempTag[] = ".zorbin-";
const char kTempLetters[] = "XXXXXX";

std::string TempNamePrefix(const std::string& target) {
    return "." + BaseName(target).substr(0, kNameKeptInTemp) + kTempTag;
}

bool IsTempNameOf(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + sizeof kTempLetters - 1 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (!ascii::IsAlnum(name[i])) return false;
    return true;
}

// A save holds a lock on its temporary file while it writes it; a process
// that was killed (or crashed) mid-save left its temporary file unlocked.
// Those files of the target's own name pattern are removed; anything else
// in the folder, and any temporary file a running save holds, stays.
void RemoveStaleTemps(const std::string& target) {
    const std::string folder = FolderOf(target), prefix = TempNamePrefix(target);
    std::vector<std::string> stale;
    if (DIR* dir = Sys().opendir(folder.c_str())) {
        while (const dirent* entry = Sys().readdir(dir))
            if (IsTempNameOf(entry->d_name, prefix)) stale.push_back(folder + "/" + entry->d_name);
        Sys().closedir(dir);
    }
    for (const std::string& path : stale) {
        Fd f{Sys().open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0)};
        struct stat st;
        if (f.fd >= 0 && Sys().fstat(f.fd, &st) == 0 && S_ISREG(st.st_mode) &&
            Sys().flock(f.fd, LOCK_EX | LOCK_NB) == 0)
            Sys().unlink(path.c_str());
    }
}

// A file given by a relative name is replaced in the folder that is current
// when the replacement starts, even if another folder is current when it
// ends (unless the current folder's name cannot be read).
void MakeAbsolute(std::string& path) {
    char cwd[PATH_MAX];
    if (path.empty() || path[0] == '/' || !::getcwd(cwd, sizeof cwd)) return;
    path = std::string(cwd) + "/" + path;
}

}  // namespace

Replacement::~Replacement() {
    if (file_.fd < 0) return;
    Sys().close(file_.fd);
    file_.fd = -1;
    Sys().unlink(temp_.c_str());
}

// Stale temporary files of killed saves are removed first. The lock tells
// the sweep of another save that this one is still writing.
bool Replacement::Open(const std::string& path, bool executable) {
    if (!FindWriteTarget(path, target_)) return false;
    MakeAbsolute(target_);
    struct stat old;
    const bool exists = Sys().stat(target_.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && (S_ISDIR(old.st_mode) || !(old.st_mode & S_IWUSR))) return false;
    RemoveStaleTemps(target_);
    mode_t mode = exists ? (old.st_mode & 07777) : ((executable ? 0755 : 0666) & ~CurrentUmask());
    if (executable) mode |= (mode & 0444) >> 2;
    temp_ = FolderOf(target_) + "/" + TempNamePrefix(target_) + kTempLetters;
    const int fd = Sys().mkostemp(temp_.data(), O_CLOEXEC);
    if (fd < 0) return false;
    file_.fd = fd;
    // Without the lock the save still works; a sweep by another save could
    // then remove this file, and this save would fail without losing anything.
    Sys().flock(fd, LOCK_EX | LOCK_NB);
    return Sys().fchmod(fd, mode) == 0;
}

// The disk starts taking the content every few megabytes as it comes, so
// that Commit's fsync waits only for the last of it.
bool Replacement::Write(std::string_view piece) {
    constexpr std::uint64_t kFlushEvery = 8u << 20;
    if (file_.fd < 0 || !WriteAll(file_.fd, piece)) return false;
    written_ += piece.size();
    if (written_ - flushing_ >= kFlushEvery) {
        ::sync_file_range(file_.fd, static_cast<off_t>(flushing_), static_cast<off_t>(written_ - flushing_),
                          SYNC_FILE_RANGE_WRITE);  // a hint: a failure here is fsync's to report
        flushing_ = written_;
    }
    return true;
}

// The content is on the disk once fsync succeeds; the file is renamed while
// its lock is still held, so another save's sweep never takes it for a
// killed save's. The folder's entry reaches the disk after the rename.
bool Replacement::Commit() {
    if (file_.fd < 0) return false;
    const bool renamed = Sys().fsync(file_.fd) == 0 && Sys().rename(temp_.c_str(), target_.c_str()) == 0;
    Sys().close(file_.fd);
    file_.fd = -1;
    if (!renamed) {
        Sys().unlink(temp_.c_str());
        return false;
    }
    Fd dir{Sys().open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0)};
    if (dir.fd >= 0) Sys().fsync(dir.fd);
    return true;
}

bool ReplaceFile(const std::string& path, std::string_view data, bool executable) {
    Replacement r;
    return r.Open(path, executable) && r.Write(data) && r.Commit();
}

}  // namespace SimExe::FileIO
