// Folder picker component: shows the folder chooser, optionally rooted at a
// special folder, preselects FolderName and returns the chosen folder.
#pragma once

#include <cstdint>
#include <set>
#include <string>

namespace folderBrowse {

enum class TBrowseFlag {
    bf_BrowseForComputer, bf_BrowseForPrinter, bf_DontGoBelowDomain, bf_statustext,
    bf_ReturnFSanceStors, bf_ReturnOnlyFSDIRS, bf_EditBox
};
using TBrowseFlags = std::set<TBrowseFlag>;

enum class TBrowseLocation {
    bl_STANDART, bl_CUSTOM, bl_DESKTOP, bl_PROGRAMS, bl_CONTROLS, bl_PRINTERS, bl_PERSONAL, bl_FAVORITES,
    bl_STARTUP, bl_RECENT, bl_SENDTO, bl_BITBUCKET, bl_STARTMENU, bl_DESKTOPDIRECTORY, bl_DRIVES, bl_NETWORK,
    bl_NETHOOD, bl_FONTS, bl_TEMPLATES, bl_COMMON_STARTMENU, bl_COMMON_PROGRAMS, bl_COMMON_STARTUP,
    bl_COMMON_DESKTOPDIRECTORY, bl_APPDATA, bl_PRINTHOOD
};

// Bits of the browse flag word.
enum : std::uint32_t {
    BIF_RETURNONLYFSDIRS = 1, BIF_DONTGOBELOWDOMAIN = 2, BIF_STATUSTEXT = 4, BIF_RETURNFSANCESTORS = 8,
    BIF_EDITBOX = 16, BIF_VALIDATE = 32, BIF_BROWSEFORCOMPUTER = 4096, BIF_BROWSEFORPRINTER = 8192
};

std::uint32_t FlagBit(TBrowseFlag flag);
// The folder a root location stands for here; empty: the whole file system.
std::string LocationFolder(TBrowseLocation location);

class TBrowseForFolder {
public:
    TBrowseForFolder();

    const std::string& DisplayName() const { return displayName_; }
    std::string StatusText = "Please select folder";
    std::string FolderName = "/";
    TBrowseLocation Root = TBrowseLocation::bl_STANDART;
    std::string Caption = "Select Folder";

    // Flags live in the flag word: writing sets or clears their bits,
    // reading rebuilds the set from them.
    TBrowseFlags Flags() const;
    void SetFlags(const TBrowseFlags& flags);
    std::uint32_t FlagWord() const { return flagWord_; }

    // Shows the dialog. True when a folder was chosen: FolderName and
    // DisplayName then hold it. Cancelling changes nothing.
    bool Execute();

private:
    std::string displayName_;
    std::uint32_t flagWord_ = 0;
    std::string rootFolder_;    // kept for later calls once a root was set
    std::string customRoot_;    // nothing sets it: acts like the standard root
};

}  // namespace folderBrowse
