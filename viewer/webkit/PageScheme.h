// The "ebook" URI scheme that carries page URLs inside the web view. WebKit
// allows no handler for "http", so a page URL "http://ebook/<rest>" is shown
// as "ebook://ebook/<rest>" (relative links resolve the same way) and each
// request for it is answered from the page blocks by the page protocol's
// rules, with HTTP status, headers and byte ranges. The answer is made on a
// worker thread and finished on the main thread, so the window never waits
// for a page.
#pragma once

#include "PageAnswer.h"
#include "eProtocol.h"

#include <memory>
#include <string>

typedef struct _GInputStream GInputStream;
typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace viewer::webkit {

// Whether the URL begins with "http://ebook/", in any letter case.
bool IsPageUrl(const std::string& url);

using viewer::PageUrlOf;
using viewer::ViewUriOf;

// The body of an answer as a stream: the bytes it holds, or a stream that
// reads a chunked page's pieces when it is read (on GIO's worker threads
// when read asynchronously). The caller owns the reference.
GInputStream* BodyStreamOf(viewer::PageAnswer&& answer);

// How many answers are being prepared, their bodies read, or whole-book
// searches made on worker threads right now (each keeps its book open).
int PageWorkInProgress();

// Counts one piece of such work for as long as it lives.
class PageWork {
public:
    PageWork();
    ~PageWork();
    PageWork(const PageWork&) = delete;
    PageWork& operator=(const PageWork&) = delete;
};

// Lets the work in progress end, handling the main thread's events
// meanwhile, for at most `milliseconds`: before the program ends.
void FinishPageWork(int milliseconds);

// Installs the scheme handler in the context; later calls do nothing.
void RegisterPageScheme(WebKitWebContext* context);

// The book whose pages the view's requests are answered from, from now
// on; none (the default for a new view) gives every request an empty
// document.
void ServePages(WebKitWebView* view, std::shared_ptr<const book::Book> book);
std::shared_ptr<const book::Book> BookServed(WebKitWebView* view);

}  // namespace viewer::webkit
