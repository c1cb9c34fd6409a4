// Running the viewer's own scripts on the page shown, each in a script world
// of its own: the page's scripts neither see nor change what they keep.
#pragma once

#include <string>

typedef struct _WebKitWebView WebKitWebView;

namespace viewer::webkit {

// UTF-8 text as a JavaScript string literal.
std::string JavaScriptString(const std::string& text);

// Runs `script` on the page the view shows, in the named world; its result
// is not waited for.
void RunInWorld(WebKitWebView* view, const std::string& script, const char* world);

}  // namespace viewer::webkit
