// A named element opened and highlighted in the web view.
#include "AnchorHighlight.h"

#include "CarriedFiles.h"
#include "ScriptWorlds.h"

#include <webkit2/webkit2.h>

namespace viewer::webkit {

namespace {

// The script world the highlight runs in: the page's own scripts neither
// see nor change what it keeps there.
constexpr const char* kWorld = "zorbin-anchor-highlight";

std::string WithoutFragment(const std::string& uri) { return uri.substr(0, uri.find('#')); }

// `uri` with `anchor` as its fragment.
std::string AnchorUri(const std::string& uri, const std::string& anchor) {
    char* fragment = g_uri_escape_string(anchor.c_str(), G_URI_RESERVED_CHARS_SUBCOMPONENT_DELIMITERS ":@/?", FALSE);
    std::string result = WithoutFragment(uri) + "#" + fragment;
    g_free(fragment);
    return result;
}

std::string ShownUri(WebKitWebView* view) {
    const char* uri = webkit_web_view_get_uri(view);
    return uri ? uri : "";
}

}  // namespace

// A load names its address at once, written as WebKit writes the address
// shown: the two compare as they are.
bool LoadAtAnchor(WebKitWebView* view, const std::string& uri, const std::string& anchor) {
    const bool idle = !webkit_web_view_is_loading(view);
    const std::string before = ShownUri(view);
    webkit_web_view_load_uri(view, AnchorUri(uri, anchor).c_str());
    const std::string after = ShownUri(view);
    return idle && after != before && WithoutFragment(after) == WithoutFragment(before);
}

void HighlightAnchor(WebKitWebView* view, const std::string& anchor) {
    if (!g_utf8_validate(anchor.data(), static_cast<gssize>(anchor.size()), nullptr)) return;
    const std::string script = "(" + std::string(AnchorHighlightScript()) + ")(" + JavaScriptString(anchor) + ");";
    RunInWorld(view, script, kWorld);
}

}  // namespace viewer::webkit
