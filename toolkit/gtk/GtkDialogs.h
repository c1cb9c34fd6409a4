// The GTK dialogs: message box, input box, file and folder choosers.
#pragma once

#include <gtk/gtk.h>

#include "Dialogs.h"

namespace toolkit::gtk {

class GtkDialogs : public Dialogs {
public:
    void MessageBox(const std::string& caption, const std::string& text, MessageIcon icon) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial, std::size_t maxLength) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;
    std::optional<FolderChoice> FolderDialog(const FolderDialogRequest& request) override;
};

// A chosen folder as the dialog reports it: no trailing slash except for
// "/", and its base name for display.
FolderChoice FolderChoiceOf(const std::string& path);

}  // namespace toolkit::gtk
