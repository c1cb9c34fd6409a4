// File finder: lists the files under a folder, optionally through all its
// sub-folders, as names relative to that folder with "/" between folders.
#pragma once

#include <set>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace BWFileFinder {

enum class TFileAttrKind { ffaReadOnly, ffaHidden, ffaSysFile, ffaVolumeID, ffaDirectory, ffaArchive, ffaAnyFile };
using TFileAttr = std::set<TFileAttrKind>;

// The value each kind adds to the search attribute.
int AttrValue(TFileAttrKind kind);
// The search attribute: the arithmetic sum (not a bitwise or) of the kinds' values.
int SearchAttribute(const TFileAttr& attr);
// Entries sharing a bit with this mask are skipped: (not A) and 30.
int ExclusionMask(int searchAttribute);

// Attribute bits of a directory entry, as the filter sees them.
enum : int { faReadOnly = 1, faHidden = 2, faSysFile = 4, faVolumeID = 8, faDirectory = 16, faArchive = 32 };

class TBWFileFinder {
public:
    TBWFileFinder();

    TFileAttr FileAttr{TFileAttrKind::ffaAnyFile};
    bool InSubFolders = false;
    std::string FileMask = "*.*";

    const std::string& Path() const { return path_; }
    // Taken only when it differs from the current Path, is not empty and names
    // an existing folder; stored with a trailing "/". Otherwise ignored.
    void SetPath(const std::string& path);

    // Clears and refills the result list; the list stays owned by the finder.
    const std::vector<std::string>& FindFiles();

private:
    // Searches the folder `name` of the open folder `parent`; `folder` is
    // its whole path, ending in "/".
    void SearchFolder(int parent, const std::string& name, const std::string& folder);

    std::string path_;
    std::vector<std::string> results_;
    // (device, inode) of every folder on the current search path, so a link
    // back to one of them is not entered again.
    std::vector<std::pair<dev_t, ino_t>> ancestors_;
};

}  // namespace BWFileFinder
