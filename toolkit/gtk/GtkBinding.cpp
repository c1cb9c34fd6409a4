// Start of the binding: the display, the window system, the dialogs and the
// desktop's handler for documents and addresses.
#include "GtkBinding.h"

#include <gtk/gtk.h>

#include "Forms.h"
#include "GtkDialogs.h"
#include "GtkWidgets.h"
#include "GtkWindows.h"
#include "SimExe.h"

#include <memory>

namespace toolkit::gtk {

namespace {

void OpenWithDesktop(const std::string& target) {
    const std::string uri = TargetUri(target);
    GError* error = nullptr;
    if (!gtk_show_uri_on_window(ActiveWindow(), uri.c_str(), GDK_CURRENT_TIME, &error)) {
        g_clear_error(&error);
        g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);  // the result is not checked
        g_clear_error(&error);
    }
}

}  // namespace

bool Initialize(int& argc, char**& argv, const char* desktopId) {
    if (desktopId) g_set_prgname(desktopId);
    if (!gtk_init_check(&argc, &argv)) return false;
    Application().SetWindowSystem(std::make_unique<GtkWindows>());
    Application().SetDialogs(std::make_unique<GtkDialogs>());
    SimExe::SetShellOpener(OpenWithDesktop);
    return true;
}

std::string TargetUri(const std::string& target) {
    if (gchar* scheme = g_uri_parse_scheme(target.c_str())) {
        g_free(scheme);
        return target;
    }
    GFile* file = g_file_new_for_path(target.c_str());
    gchar* uri = g_file_get_uri(file);
    std::string result = uri ? uri : target;
    g_free(uri);
    g_object_unref(file);
    return result;
}

}  // namespace toolkit::gtk
