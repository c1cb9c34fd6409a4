// Canonical requests rewritten to the served scheme, in every page the web
// process shows. A media element whose address is rewritten so holds an
// "ebook:" address, which the book's media source plays.
#include "RequestRewrite.h"

#include "eProtocol.h"

#include <webkit2/webkit-web-extension.h>

namespace zorbin_extension {

namespace {

gboolean OnSendRequest(WebKitWebPage*, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
    const char* uri = webkit_uri_request_get_uri(request);
    if (uri && viewer::IsPageUrl(uri)) webkit_uri_request_set_uri(request, viewer::ViewUriOf(uri).c_str());
    return FALSE;
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), nullptr);
}

}  // namespace

void RewriteCanonicalRequests(WebKitWebExtension* extension) {
    g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
}

}  // namespace zorbin_extension
