// Opening a page at a named element: the page's address with the name as
// its fragment, so the view scrolls to the element as the page opens, and
// the element highlighted once the page has loaded (anchor-highlight.js).
#pragma once

#include <string>

typedef struct _WebKitWebView WebKitWebView;

namespace viewer::webkit {

// Loads the page at `uri` (an address in the view) scrolled to `anchor`, an
// element's id or name. True when the view shows that page already and is
// not loading: it then only scrolls there, and no load follows.
bool LoadAtAnchor(WebKitWebView* view, const std::string& uri, const std::string& anchor);

// Highlights the element named `anchor` (by id, else an <a name>) on the
// page the view shows and keeps it in view; the element highlighted before
// on that page loses its highlight. The page's selection is left alone.
void HighlightAnchor(WebKitWebView* view, const std::string& anchor);

}  // namespace viewer::webkit
