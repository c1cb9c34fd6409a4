// The viewer's extension of WebKit's web process. It runs inside WebKit's
// own process, is handed the eBook's file by the viewer (see
// WebProcessExtension.h) and writes nothing of the book anywhere.
#include "BookMediaSource.h"
#include "RequestRewrite.h"

#include "BookKey.h"
#include "SimExe.h"

#include <webkit2/webkit-web-extension.h>

// The user data: the eBook's file, and the key of a protected book that
// the reader's password has opened (no bytes otherwise).
extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               GVariant* userData) {
    zorbin_extension::RewriteCanonicalRequests(extension);
    if (!userData || !g_variant_is_of_type(userData, G_VARIANT_TYPE("(say)"))) return;
    const char* file = nullptr;
    GVariant* keyBytes = nullptr;
    g_variant_get(userData, "(&s@ay)", &file, &keyBytes);
    gsize keySize = 0;
    const void* key = g_variant_get_fixed_array(keyBytes, &keySize, 1);
    try {
        if (keySize > 0)
            SimExe::BlockStore().SetSeal(protect::BookKey::FromBytes({static_cast<const char*>(key), keySize}));
    } catch (const std::exception& e) {
        g_warning("The eBook's key cannot be used: %s", e.what());
    }
    g_variant_unref(keyBytes);
    if (*file && !zorbin_extension::RegisterBookMediaSource(file))
        g_warning("The eBook's media cannot be played: its file %s cannot be read", file);
}
