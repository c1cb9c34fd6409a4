// The GTK dialogs. Each runs modally over the active window and is gone when
// its answer is returned.
#include "GtkDialogs.h"

#include "GtkText.h"
#include "GtkWidgets.h"

#include <gtk/gtk.h>

namespace toolkit::gtk {

namespace {

// Takes a string GTK allocated.
std::string Take(gchar* text) {
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::string Absolute(const std::string& path) { return Take(g_canonicalize_filename(path.c_str(), nullptr)); }

bool IsFolder(const std::string& path) { return !path.empty() && g_file_test(path.c_str(), G_FILE_TEST_IS_DIR); }

GtkMessageType MessageTypeOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error: return GTK_MESSAGE_ERROR;
        case MessageIcon::Information: return GTK_MESSAGE_INFO;
        case MessageIcon::None: break;
    }
    return GTK_MESSAGE_OTHER;
}

// Runs a dialog and tells whether it was accepted.
bool RunDialog(GtkWidget* dialog, int acceptResponse) {
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    return response == acceptResponse;
}

void AddFilters(GtkFileChooser* chooser, const std::string& filter) {
    for (const FileFilter& entry : ParseFilter(filter)) {
        GtkFileFilter* f = gtk_file_filter_new();
        gtk_file_filter_set_name(f, ToGtkText(entry.description).c_str());
        for (const std::string& pattern : entry.patterns) gtk_file_filter_add_pattern(f, pattern == "*.*" ? "*" : pattern.c_str());
        gtk_file_chooser_add_filter(chooser, f);
    }
}

// A line of text at the top of a dialog's content.
void AddHeading(GtkWidget* dialog, const std::string& text, int position) {
    GtkWidget* label = gtk_label_new(ToGtkText(text).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    g_object_set(label, "margin", 6, nullptr);
    GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_box_pack_start(GTK_BOX(content), label, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(content), label, position);
    gtk_widget_show(label);
}

}  // namespace

void GtkDialogs::MessageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
    GtkWidget* dialog = gtk_message_dialog_new(ActiveWindow(), GTK_DIALOG_MODAL, MessageTypeOf(icon), GTK_BUTTONS_OK, "%s",
                                               ToGtkText(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), ToGtkText(caption).c_str());
    RunDialog(dialog, GTK_RESPONSE_OK);
    gtk_widget_destroy(dialog);
}

std::optional<std::string> GtkDialogs::InputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& initial, std::size_t maxLength) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(ToGtkText(caption).c_str(), ActiveWindow(), GTK_DIALOG_MODAL, "_Cancel",
                                                    GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    GtkWidget* label = gtk_label_new(ToGtkText(prompt).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_visibility(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 36);
    if (maxLength) gtk_entry_set_max_length(GTK_ENTRY(entry), static_cast<gint>(std::min<std::size_t>(maxLength, 65535)));
    gtk_entry_set_text(GTK_ENTRY(entry), ToGtkText(initial).c_str());
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), entry, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), box, TRUE, TRUE, 0);
    gtk_widget_show_all(box);
    std::optional<std::string> answer;
    if (RunDialog(dialog, GTK_RESPONSE_OK)) {
        answer = gtk_entry_get_text(GTK_ENTRY(entry));
        if (maxLength && answer->size() > maxLength) answer->resize(maxLength);
    }
    gtk_widget_destroy(dialog);
    return answer;
}

std::optional<std::string> GtkDialogs::FileDialog(const FileDialogRequest& request) {
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        request.save ? "Save As" : "Open", ActiveWindow(),
        request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL,
        request.save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    // Choosing a file that exists asks before it is replaced.
    if (request.save) gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    AddFilters(chooser, request.filter);
    std::string folder = request.initialDir;
    if (folder.empty() && request.fileName.find('/') != std::string::npos)
        folder = Take(g_path_get_dirname(request.fileName.c_str()));
    if (IsFolder(folder)) gtk_file_chooser_set_current_folder(chooser, Absolute(folder).c_str());
    if (!request.fileName.empty()) {
        if (request.save)
            gtk_file_chooser_set_current_name(chooser, Take(g_path_get_basename(request.fileName.c_str())).c_str());
        else if (g_file_test(request.fileName.c_str(), G_FILE_TEST_IS_REGULAR))
            gtk_file_chooser_set_filename(chooser, Absolute(request.fileName).c_str());
    }
    std::optional<std::string> chosen;
    if (RunDialog(dialog, GTK_RESPONSE_ACCEPT)) chosen = Take(gtk_file_chooser_get_filename(chooser));
    gtk_widget_destroy(dialog);
    if (chosen && chosen->empty()) chosen.reset();
    return chosen;
}

std::optional<FolderChoice> GtkDialogs::FolderDialog(const FolderDialogRequest& request) {
    GtkWidget* dialog = gtk_file_chooser_dialog_new("Browse for Folder", ActiveWindow(), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                                    "_Cancel", GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    int headings = 0;
    if (!request.instruction.empty()) AddHeading(dialog, request.instruction, headings++);
    if (request.showStatus && !request.statusText.empty()) AddHeading(dialog, request.statusText, headings++);
    if (IsFolder(request.root)) gtk_file_chooser_add_shortcut_folder(chooser, Absolute(request.root).c_str(), nullptr);
    const std::string start = IsFolder(request.preselect) ? request.preselect : request.root;
    if (IsFolder(start)) gtk_file_chooser_set_current_folder(chooser, Absolute(start).c_str());
    std::optional<FolderChoice> choice;
    if (RunDialog(dialog, GTK_RESPONSE_ACCEPT)) {
        std::string path = Take(gtk_file_chooser_get_filename(chooser));
        if (path.empty()) path = Take(gtk_file_chooser_get_current_folder(chooser));
        if (!path.empty()) choice = FolderChoiceOf(path);
    }
    gtk_widget_destroy(dialog);
    return choice;
}

FolderChoice FolderChoiceOf(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return {folder, Take(g_path_get_basename(folder.c_str()))};
}

}  // namespace toolkit::gtk
