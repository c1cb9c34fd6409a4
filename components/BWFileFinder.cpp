// File finder over the POSIX directory calls.
#include "BWFileFinder.h"

#include <dirent.h>
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

// Attribute bits of an entry: a name starting with "." is hidden, a folder is
// a directory, anything that is neither a regular file nor a folder is a
// system entry. Links count as what they point to; a dangling link is a file.
Entry Describe(const std::string& folder, const std::string& name) {
    Entry e{name, 0, 0, 0};
    const std::string full = folder + name;
    struct stat st;
    bool dotEntry = name == "." || name == "..";
    if (::stat(full.c_str(), &st) != 0) {
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

// The entries of a folder that match the mask and pass the attribute filter,
// in byte order of their names. A folder that cannot be read gives none.
std::vector<Entry> Enumerate(const std::string& folder, const std::string& mask, int searchAttribute) {
    std::vector<Entry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return entries;
    const int excluded = ExclusionMask(searchAttribute);
    const bool isRoot = folder == "/";
    while (const dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (isRoot && (name == "." || name == "..")) continue;  // a root has no parent entries
        if (!MatchesMask(mask, name)) continue;
        Entry e = Describe(folder, name);
        if ((e.attributes & excluded) == 0) entries.push_back(std::move(e));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

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
    SearchFolder(path_);
    return results_;
}

void TBWFileFinder::SearchFolder(const std::string& folder) {
    struct stat self;
    const bool onPath = ::stat(folder.c_str(), &self) == 0;
    if (onPath) ancestors_.emplace_back(self.st_dev, self.st_ino);

    for (const Entry& e : Enumerate(folder, FileMask, SearchAttribute(FileAttr))) {
        // Names are relative to Path: only the leading Path is taken off, so a
        // folder deeper down that repeats Path's text keeps its name. "/" is
        // already the separator, and a "\" is an ordinary character of a name.
        results_.push_back((folder + e.name).substr(path_.size()));
    }

    if (InSubFolders) {
        for (const Entry& e : Enumerate(folder, "*.*", faDirectory)) {
            if (!(e.attributes & faDirectory) || e.name == "." || e.name == "..") continue;
            auto id = std::make_pair(e.device, e.inode);
            if (std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end()) continue;
            SearchFolder(folder + e.name + "/");
        }
    }

    if (onPath) ancestors_.pop_back();
}

}  // namespace BWFileFinder
