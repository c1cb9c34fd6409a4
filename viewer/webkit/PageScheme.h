// The "ebook" URI scheme that carries page URLs inside the web view. WebKit
// allows no handler for "http", so a page URL "http://ebook/<rest>" is shown
// as "ebook://ebook/<rest>" (relative links resolve the same way) and each
// request for it is answered by one TeProtocol from the page blocks.
#pragma once

#include <string>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace viewer::webkit {

// Whether the URL begins with "http://ebook/", in any letter case.
bool IsPageUrl(const std::string& url);

// The address the view loads for a URL: a page URL in its "ebook://ebook/"
// form, anything else unchanged.
std::string ViewUriOf(const std::string& url);

// The page URL "http://ebook/<rest>" for a view address "ebook://ebook/<rest>";
// empty for any other address.
std::string PageUrlOf(const std::string& viewUri);

// The content type told by the extension of the address's last path segment
// (query and fragment ignored, any letter case), or null when unknown.
const char* ContentTypeOf(const std::string& uri);

// The bytes one TeProtocol delivers for the page URL: Start, Read until the
// end, Terminate. Empty when the protocol declines the URL.
std::string FetchPage(const std::string& pageUrl);

// Installs the scheme handler in the context; later calls do nothing.
void RegisterPageScheme(WebKitWebContext* context);

// Whether the view's page requests are served from the page blocks; while
// not, every request gets an empty document. Off for a new view.
void SetServesPages(WebKitWebView* view, bool serves);
bool ServesPages(WebKitWebView* view);

}  // namespace viewer::webkit
