// The extension of WebKit's web process (extension/), put where WebKit
// loads it from: a private folder (mode 0700) under the user's runtime
// folder, made anew by each viewer, holding the module and a lock the viewer
// keeps while it runs, and removed when the viewer ends. Folders that killed
// viewers left behind (their lock no longer held) are removed first.
#pragma once

#include "Book.h"

#include <memory>
#include <string>

typedef struct _WebKitWebContext WebKitWebContext;

namespace viewer::webkit {

// Makes the folder (once per process) and points the context's web
// extensions at it; must run before the context starts a web process.
// Without a usable runtime folder nothing is installed.
void InstallWebProcessExtension(WebKitWebContext* context);

// The book whose media the context's web processes play: each one started
// from now on is handed its file and, for a protected book that its
// password has opened, its key.
void HandBookToWebProcesses(WebKitWebContext* context, std::shared_ptr<const book::Book> book);

// The folder in use, empty when none; and the name its siblings share.
std::string WebProcessExtensionFolder();
inline constexpr char kExtensionFolderPrefix[] = "zorbin-viewer-";

// Removes the folders under `runtimeFolder` whose viewer has ended.
void RemoveStaleExtensionFolders(const std::string& runtimeFolder);

}  // namespace viewer::webkit
