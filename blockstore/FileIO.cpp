// Whole-file reads and atomic file replacement.
#include "FileIO.h"

#include "SimExe.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace SimExe::FileIO {

Fd::~Fd() {
    if (fd >= 0) ::close(fd);
}

std::size_t OpenRegularFile(Fd& f, const std::string& fileName, const char* openName) {
    f.fd = ::open(openName ? openName : fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st;
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) throw EFOpenError(fileName);
    return static_cast<std::size_t>(st.st_size);
}

std::string ReadWholeFile(const std::string& fileName, const char* openName) {
    Fd f;
    const std::size_t size = OpenRegularFile(f, fileName, openName);
    std::string data;
    data.reserve(size);
    char chunk[1 << 16];
    for (;;) {
        ssize_t n = ::read(f.fd, chunk, sizeof chunk);
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
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
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

// The file a write to `path` lands in: a symbolic link is written through.
std::string WriteTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) return resolved;
    }
    return path;
}

// A temporary file beside the file a write replaces, with the mode the
// replaced file had (a new one: the usual mode under the umask; an
// executable also gets execute bits where it can be read). Nothing is
// opened when the target cannot be replaced: a folder, or a read-only file.
struct Replacement {
    std::string target, temp;
    Fd file;
};

bool PrepareReplacement(const std::string& path, bool executable, Replacement& r) {
    r.target = WriteTarget(path);
    struct stat old;
    bool exists = ::stat(r.target.c_str(), &old) == 0;
    if (exists && (S_ISDIR(old.st_mode) || !(old.st_mode & S_IWUSR))) return false;
    mode_t mode = exists ? (old.st_mode & 07777) : ((executable ? 0755 : 0666) & ~CurrentUmask());
    if (executable) mode |= (mode & 0444) >> 2;
    r.temp = FolderOf(r.target) + "/." + BaseName(r.target) + ".XXXXXX";
    r.file.fd = ::mkostemp(r.temp.data(), O_CLOEXEC);
    if (r.file.fd < 0) return false;
    if (::fchmod(r.file.fd, mode) == 0) return true;
    ::unlink(r.temp.c_str());
    return false;
}

}  // namespace

// The data goes to the temporary file, reaches the disk and is renamed over
// the target.
bool ReplaceFile(const std::string& path, std::string_view data, bool executable) {
    Replacement r;
    if (!PrepareReplacement(path, executable, r)) return false;
    bool ok = WriteAll(r.file.fd, data) && ::fsync(r.file.fd) == 0;
    ok = (::close(r.file.fd) == 0) && ok;
    r.file.fd = -1;
    if (ok) ok = ::rename(r.temp.c_str(), r.target.c_str()) == 0;
    if (!ok) {
        ::unlink(r.temp.c_str());
        return false;
    }
    Fd dir{::open(FolderOf(r.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);
    return true;
}

bool CanReplace(const std::string& path) {
    Replacement r;
    if (!PrepareReplacement(path, false, r)) return false;
    ::unlink(r.temp.c_str());
    return true;
}

}  // namespace SimExe::FileIO
