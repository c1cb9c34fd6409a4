// Requests for the eBook's canonical address "http://ebook/…" go to the
// address the viewer serves, "ebook://ebook/…", wherever they come from: an
// image, a style sheet, a font, a script, a frame or a media element.
#pragma once

typedef struct _WebKitWebExtension WebKitWebExtension;

namespace zorbin_extension {

void RewriteCanonicalRequests(WebKitWebExtension* extension);

}  // namespace zorbin_extension
