// The viewer's extension of WebKit's web process. It runs inside WebKit's
// own process, is handed the eBook's file by the viewer (see
// WebProcessExtension.h) and writes nothing of the book anywhere.
#include "BookMediaSource.h"
#include "RequestRewrite.h"

#include "../GObjectRef.h"
#include "Book.h"
#include "BookKey.h"

#include <webkit2/webkit-web-extension.h>

namespace {

// The book of the user data: its file, and the key of a protected book that
// the reader's password has opened (no bytes otherwise). Nothing when its
// file cannot be read.
std::shared_ptr<book::Book> HandedBook(GVariant* userData) {
    const char* file = nullptr;
    GVariant* keyVariant = nullptr;
    g_variant_get(userData, "(&s@ay)", &file, &keyVariant);
    const viewer::webkit::GRef<GVariant> keyBytes(keyVariant);
    if (!*file) return nullptr;
    std::shared_ptr<book::Book> book;
    try {
        book = book::Book::Open(file);
    } catch (const std::exception&) {
        g_warning("The eBook's media cannot be played: its file %s cannot be read", file);
        return nullptr;
    }
    gsize keySize = 0;
    const void* key = g_variant_get_fixed_array(keyBytes.get(), &keySize, 1);
    try {
        if (keySize > 0) book->SetKey(protect::BookKey::FromBytes({static_cast<const char*>(key), keySize}));
    } catch (const std::exception& e) {
        g_warning("The eBook's key cannot be used: %s", e.what());
    }
    return book;
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               GVariant* userData) {
    zorbin_extension::RewriteCanonicalRequests(extension);
    if (!userData || !g_variant_is_of_type(userData, G_VARIANT_TYPE("(say)"))) return;
    if (std::shared_ptr<book::Book> book = HandedBook(userData); book && !zorbin_extension::RegisterBookMediaSource(book))
        g_warning("The eBook's media cannot be played: GStreamer cannot take its source");
}
