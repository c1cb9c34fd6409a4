// Conversion of line breaks and encoding between the model and GTK.
#include "GtkText.h"

#include <glib.h>

namespace toolkit::gtk {

std::string ToGtkText(const std::string& modelText) {
    std::string lf;
    lf.reserve(modelText.size());
    for (std::size_t i = 0; i < modelText.size(); ++i) {
        if (modelText[i] != '\r') {
            lf += modelText[i];
        } else if (i + 1 >= modelText.size() || modelText[i + 1] != '\n') {
            lf += '\n';
        }
    }
    if (g_utf8_validate(lf.data(), static_cast<gssize>(lf.size()), nullptr)) return lf;
    gchar* valid = g_utf8_make_valid(lf.data(), static_cast<gssize>(lf.size()));
    std::string result(valid);
    g_free(valid);
    return result;
}

std::string ToModelText(const char* gtkText) {
    std::string crlf;
    for (const char* p = gtkText ? gtkText : ""; *p; ++p) {
        if (*p == '\n') crlf += '\r';
        crlf += *p;
    }
    return crlf;
}

}  // namespace toolkit::gtk
