// The names of the settings blocks. An eBook's settings stand before its
// pages in the order they are named here (each only when it is set): the
// compiler writes them so and the viewer reads them so. A project file
// (".zbp") holds these settings and keys of its own.
#pragma once

namespace SimExe {

inline constexpr char kToolbarKey[] = "ctoolbar";  // the buttons shown and the restrictions, as flags
inline constexpr char kPasswordKey[] = "cpass";    // the password record (in older books, the password)
inline constexpr char kStartMessageKey[] = "cOnStart";
inline constexpr char kCloseMessageKey[] = "cOnClose";
inline constexpr char kFirstPageKey[] = "chome";
inline constexpr char kTitleKey[] = "cproject";
inline constexpr char kBookNumberKey[] = "cenumber";
inline constexpr char kAuthorKey[] = "cauthor";
inline constexpr char kEmailKey[] = "cemail";
inline constexpr char kWebAddressKey[] = "cweb";
inline constexpr char kAboutKey[] = "cabout";
// The eBook's settings, in the order above.
inline constexpr const char* kBookSettingKeys[] = {
    kToolbarKey,    kPasswordKey, kStartMessageKey, kCloseMessageKey, kFirstPageKey, kTitleKey,
    kBookNumberKey, kAuthorKey,   kEmailKey,        kWebAddressKey,   kAboutKey};

// A project file's own keys.
inline constexpr char kProjectFolderKey[] = "cproject_dir";
inline constexpr char kOutputFolderKey[] = "csave_dir";
inline constexpr char kOutputFileKey[] = "ccompile_file";
inline constexpr char kSearchIndexKey[] = "csearch_index";  // whether a compile builds a search index: "1" or "0"
inline constexpr char kContentsKey[] = "ccontents";         // whether the eBook shows its contents: "1" or "0"
// Whether the eBook reopens where its reader left off: "1" or "0".
inline constexpr char kReopenKey[] = "creopen";
// The identity the project's eBooks carry, kept from its first save on.
inline constexpr char kIdentityKey[] = "cidentity";

}  // namespace SimExe
