// The viewer's extension of WebKit's web process: requests for the eBook's
// canonical address "http://ebook/…" go to the "ebook" scheme the viewer
// serves, "ebook://ebook/…", wherever they come from: an image, a style
// sheet, a font, a script, a frame or a media element with an absolute
// address, and the media player itself.
//
// A media element's first request carries no header at all; rewriting it
// would give the element an "ebook:" address, which the media player does
// not play. Every other request (the media player's own ones carry
// Icy-MetaData or Range; documents and subresources carry Accept) is
// rewritten. This file runs inside WebKit's web process and holds nothing
// of the book.
#include <webkit2/webkit-web-extension.h>

#include <cstring>
#include <string>

namespace {

constexpr char kCanonicalPrefix[] = "http://ebook/";
constexpr char kServedPrefix[] = "ebook://ebook/";

bool CarriesHeaders(WebKitURIRequest* request) {
    SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
    if (!headers) return false;
    for (const char* name : {"Accept", "Icy-MetaData", "Range"})
        if (soup_message_headers_get_one(headers, name)) return true;
    return false;
}

gboolean OnSendRequest(WebKitWebPage*, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
    const char* uri = webkit_uri_request_get_uri(request);
    const std::size_t prefix = std::strlen(kCanonicalPrefix);
    if (uri && g_ascii_strncasecmp(uri, kCanonicalPrefix, prefix) == 0 && CarriesHeaders(request))
        webkit_uri_request_set_uri(request, (kServedPrefix + std::string(uri + prefix)).c_str());
    return FALSE;
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), nullptr);
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize(WebKitWebExtension* extension) {
    g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
}
