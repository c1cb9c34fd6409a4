// Folder picker component over the toolkit's folder dialog.
#include "folderBrowse.h"

#include "Forms.h"

#include <cstdlib>
#include <fstream>

namespace folderBrowse {

namespace {

std::string Home() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/";
}

// A folder of the desktop's user-dirs.dirs (XDG_DESKTOP_DIR and friends),
// or the fallback when the file does not name it.
std::string UserDir(const std::string& key, const std::string& fallback) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::ifstream in((config && *config ? std::string(config) : Home() + "/.config") + "/user-dirs.dirs");
    const std::string prefix = key + "=\"";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) != 0 || line.back() != '"') continue;
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value = Home() + value.substr(5);
        return value;
    }
    return fallback;
}

}  // namespace

std::uint32_t FlagBit(TBrowseFlag flag) {
    switch (flag) {
        case TBrowseFlag::bf_BrowseForComputer: return BIF_BROWSEFORCOMPUTER;
        case TBrowseFlag::bf_BrowseForPrinter: return BIF_BROWSEFORPRINTER;
        case TBrowseFlag::bf_DontGoBelowDomain: return BIF_DONTGOBELOWDOMAIN;
        case TBrowseFlag::bf_statustext: return BIF_STATUSTEXT;
        case TBrowseFlag::bf_ReturnFSanceStors: return BIF_RETURNFSANCESTORS;
        case TBrowseFlag::bf_ReturnOnlyFSDIRS: return BIF_RETURNONLYFSDIRS;
        case TBrowseFlag::bf_EditBox: return BIF_EDITBOX;
    }
    return 0;
}

std::string LocationFolder(TBrowseLocation location) {
    using L = TBrowseLocation;
    switch (location) {
        case L::bl_DESKTOP:
        case L::bl_DESKTOPDIRECTORY:
        case L::bl_COMMON_DESKTOPDIRECTORY: return UserDir("XDG_DESKTOP_DIR", Home() + "/Desktop");
        case L::bl_PERSONAL: return UserDir("XDG_DOCUMENTS_DIR", Home() + "/Documents");
        case L::bl_TEMPLATES: return UserDir("XDG_TEMPLATES_DIR", Home() + "/Templates");
        case L::bl_APPDATA: {
            const char* config = std::getenv("XDG_CONFIG_HOME");
            return config && *config ? config : Home() + "/.config";
        }
        case L::bl_FONTS: return Home() + "/.local/share/fonts";
        case L::bl_DRIVES: return "/";
        default: return "";
    }
}

TBrowseForFolder::TBrowseForFolder() = default;

TBrowseFlags TBrowseForFolder::Flags() const {
    TBrowseFlags flags;
    for (int i = 0; i <= static_cast<int>(TBrowseFlag::bf_EditBox); ++i) {
        auto flag = static_cast<TBrowseFlag>(i);
        if (flagWord_ & FlagBit(flag)) flags.insert(flag);
    }
    return flags;
}

void TBrowseForFolder::SetFlags(const TBrowseFlags& flags) {
    for (int i = 0; i <= static_cast<int>(TBrowseFlag::bf_EditBox); ++i) {
        auto flag = static_cast<TBrowseFlag>(i);
        if (flags.count(flag))
            flagWord_ |= FlagBit(flag);
        else
            flagWord_ &= ~FlagBit(flag);
    }
}

bool TBrowseForFolder::Execute() {
    if (Root == TBrowseLocation::bl_CUSTOM)
        rootFolder_ = customRoot_;
    else if (Root != TBrowseLocation::bl_STANDART)
        rootFolder_ = LocationFolder(Root);
    flagWord_ |= BIF_VALIDATE;

    toolkit::FolderDialogRequest request;
    request.instruction = Caption;
    request.statusText = StatusText;
    request.showStatus = (flagWord_ & BIF_STATUSTEXT) != 0;
    request.preselect = FolderName;
    request.root = rootFolder_;
    request.editBox = (flagWord_ & BIF_EDITBOX) != 0;

    auto choice = toolkit::Application().dialogs().FolderDialog(request);
    if (!choice || choice->path.empty()) return false;
    FolderName = choice->path;
    displayName_ = choice->displayName;
    return true;
}

}  // namespace folderBrowse
