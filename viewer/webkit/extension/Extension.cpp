// The viewer's extension of WebKit's web process. It runs inside WebKit's
// own process, is handed the eBook's file by the viewer (see
// WebProcessExtension.h) and writes nothing of the book anywhere.
#include "BookMediaSource.h"
#include "RequestRewrite.h"

#include <webkit2/webkit-web-extension.h>

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               GVariant* imageFile) {
    zorbin_extension::RewriteCanonicalRequests(extension);
    if (imageFile && g_variant_is_of_type(imageFile, G_VARIANT_TYPE_STRING)) {
        const char* file = g_variant_get_string(imageFile, nullptr);
        if (*file && !zorbin_extension::RegisterBookMediaSource(file))
            g_warning("The eBook's media cannot be played: its file %s cannot be read", file);
    }
}
