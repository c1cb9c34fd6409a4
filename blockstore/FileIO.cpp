// Whole-file reads and atomic file replacement.
#include "FileIO.h"

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

std::string ReadWholeFile(const std::string& fileName, const char* openName) {
    Fd f;
    const std::size_t size = OpenRegularFile(f, fileName, openName);
    std::string data;
    data.reserve(size);
    char chunk[1 << 16];
    for (;;) {
        ssize_t n = Sys().read(f.fd, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EFOpenError(fileName);
        }
        data.append(chunk, static_cast<std::size_t>(n));
    }
    return data;
}

namespace {

mode_t CurrentUmask() {
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

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

}  // namespace

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
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
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

// A locked temporary file beside the file a write replaces (stale ones of
// killed saves removed first), with the mode the replaced file had (a new
// one: the usual mode under the umask; an executable also gets execute bits
// where it can be read). Nothing is opened when the target cannot be
// replaced: a folder, a read-only file, or one whose state cannot be read.
struct Replacement {
    std::string target, temp;
    Fd file;
};

bool PrepareReplacement(const std::string& path, bool executable, Replacement& r) {
    if (!FindWriteTarget(path, r.target)) return false;
    struct stat old;
    const bool exists = Sys().stat(r.target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && (S_ISDIR(old.st_mode) || !(old.st_mode & S_IWUSR))) return false;
    RemoveStaleTemps(r.target);
    mode_t mode = exists ? (old.st_mode & 07777) : ((executable ? 0755 : 0666) & ~CurrentUmask());
    if (executable) mode |= (mode & 0444) >> 2;
    r.temp = FolderOf(r.target) + "/" + TempNamePrefix(r.target) + kTempLetters;
    r.file.fd = Sys().mkostemp(r.temp.data(), O_CLOEXEC);
    if (r.file.fd < 0) return false;
    // Without the lock the save still works; a sweep by another save could
    // then remove this file, and this save would fail without losing anything.
    Sys().flock(r.file.fd, LOCK_EX | LOCK_NB);
    if (Sys().fchmod(r.file.fd, mode) == 0) return true;
    Sys().unlink(r.temp.c_str());
    return false;
}

}  // namespace

// The data goes to the temporary file, reaches the disk and is renamed over
// the target.
bool ReplaceFile(const std::string& path, std::string_view data, bool executable) {
    Replacement r;
    if (!PrepareReplacement(path, executable, r)) return false;
    bool ok = WriteAll(r.file.fd, data) && Sys().fsync(r.file.fd) == 0;
    ok = (Sys().close(r.file.fd) == 0) && ok;
    r.file.fd = -1;
    if (ok) ok = Sys().rename(r.temp.c_str(), r.target.c_str()) == 0;
    if (!ok) {
        Sys().unlink(r.temp.c_str());
        return false;
    }
    Fd dir{Sys().open(FolderOf(r.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0)};
    if (dir.fd >= 0) Sys().fsync(dir.fd);
    return true;
}

bool CanReplace(const std::string& path) {
    Replacement r;
    if (!PrepareReplacement(path, false, r)) return false;
    Sys().unlink(r.temp.c_str());
    return true;
}

}  // namespace SimExe::FileIO
