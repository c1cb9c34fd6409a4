// File finder over the POSIX directory calls.
#include "BWFileFinder.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace BWFileFinder {

namespace {

struct Entry {
    std::string name;
    int attributes;
    dev_t device;
    ino_t inode;
};

// Attribute bits of an entry of the open folder: a name starting with "." is
// hidden, a folder is a directory, anything that is neither a regular file
// nor a folder is a system entry. Links count as what they point to; a
// dangling link is a file.
Entry Describe(int folder, const std::string& name) {
    Entry e{name, 0, 0, 0};
    struct stat st;
    bool dotEntry = name == "." || name == "..";
    if (::fstatat(folder, name.c_str(), &st, 0) != 0) {
        e.attributes = faArchive;
        return e;
    }
    e.device = st.st_dev;
    e.inode = st.st_ino;
    if (S_ISDIR(st.st_mode))
        e.attributes |= faDirectory;
    else if (S_ISREG(st.st_mode))
        e.attributes |= faArchive;
    else
        e.attributes |= faSysFile;
    if (name[0] == '.' && !dotEntry) e.attributes |= faHidden;
    if (!(st.st_mode & S_IWUSR)) e.attributes |= faReadOnly;
    return e;
}

bool MatchesMask(const std::string& mask, const std::string& name) {
    return mask == "*.*" || ::fnmatch(mask.c_str(), name.c_str(), 0) == 0;
}

// A folder open for reading. Folders are opened one from the other, never
// by their whole path, so a folder deeper than the longest path the system
// takes in one piece is still searched.
class OpenFolder {
public:
    OpenFolder(int parent, const std::string& name)
        : dir_(FromDescriptor(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))) {}
    ~OpenFolder() {
        if (dir_) ::closedir(dir_);
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    bool IsOpen() const { return dir_ != nullptr; }
    int Descriptor() const { return ::dirfd(dir_); }

    // Every entry, "." and ".." too unless the folder is a root, in byte order of the names.
    std::vector<Entry> Entries(bool isRoot) {
        std::vector<Entry> entries;
        while (const dirent* d = ::readdir(dir_)) {
            std::string name = d->d_name;
            if (isRoot && (name == "." || name == "..")) continue;  // a root has no parent entries
            entries.push_back(Describe(Descriptor(), name));
        }
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
        return entries;
    }

private:
    static DIR* FromDescriptor(int fd) {
        if (fd < 0) return nullptr;
        DIR* dir = ::fdopendir(fd);
        if (!dir) ::close(fd);
        return dir;
    }
    DIR* dir_;
};

std::string CurrentDirectory() {
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string("/");
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

}  // namespace

int AttrValue(TFileAttrKind kind) {
    switch (kind) {
        case TFileAttrKind::ffaReadOnly: return 1;
        case TFileAttrKind::ffaHidden: return 2;
        case TFileAttrKind::ffaSysFile: return 4;
        case TFileAttrKind::ffaVolumeID: return 8;
        case TFileAttrKind::ffaDirectory: return 16;
        case TFileAttrKind::ffaArchive: return 32;
        case TFileAttrKind::ffaAnyFile: return 63;
    }
    return 0;
}

int SearchAttribute(const TFileAttr& attr) {
    int sum = 0;
    for (TFileAttrKind kind : attr) sum += AttrValue(kind);
    return sum;
}

int ExclusionMask(int searchAttribute) { return ~searchAttribute & 30; }

TBWFileFinder::TBWFileFinder() { SetPath(CurrentDirectory()); }

void TBWFileFinder::SetPath(const std::string& path) {
    if (path == path_ || path.empty() || !IsFolder(path)) return;
    path_ = WithTrailingSlash(path);
}

const std::vector<std::string>& TBWFileFinder::FindFiles() {
    results_.clear();
    ancestors_.clear();
    SearchFolder(AT_FDCWD, path_, path_);
    return results_;
}

void TBWFileFinder::SearchFolder(int parent, const std::string& name, const std::string& folder) {
    OpenFolder dir(parent, name);
    if (!dir.IsOpen()) return;  // a folder that cannot be read contributes nothing
    struct stat self;
    const bool onPath = ::fstat(dir.Descriptor(), &self) == 0;
    if (onPath) ancestors_.emplace_back(self.st_dev, self.st_ino);

    const std::vector<Entry> entries = dir.Entries(folder == "/");
    const int excluded = ExclusionMask(SearchAttribute(FileAttr));
    for (const Entry& e : entries) {
        if (!MatchesMask(FileMask, e.name) || (e.attributes & excluded) != 0) continue;
        // Names are relative to Path: only the leading Path is taken off, so a
        // folder deeper down that repeats Path's text keeps its name. "/" is
        // already the separator, and a "\" is an ordinary character of a name.
        results_.push_back((folder + e.name).substr(path_.size()));
    }

    if (InSubFolders) {
        const int skipped = ExclusionMask(faDirectory);
        for (const Entry& e : entries) {
            if ((e.attributes & skipped) != 0 || !(e.attributes & faDirectory) || e.name == "." || e.name == "..")
                continue;
            auto id = std::make_pair(e.device, e.inode);
            if (std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end()) continue;
            SearchFolder(dir.Descriptor(), e.name, folder + e.name + "/");
        }
    }

    if (onPath) ancestors_.pop_back();
}

}  // namespace BWFileFinder
