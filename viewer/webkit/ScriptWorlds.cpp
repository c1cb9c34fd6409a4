// The viewer's scripts run in worlds of their own.
#include "ScriptWorlds.h"

#include <webkit2/webkit2.h>

#include <cstdio>

namespace viewer::webkit {

std::string JavaScriptString(const std::string& text) {
    std::string literal = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '"' || c == '\\') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            literal += escape;
        } else {
            literal += c;
        }
    }
    return literal + "\"";
}

void RunInWorld(WebKitWebView* view, const std::string& script, const char* world) {
    // The call that takes a script world in every WebKitGTK 4.1 release.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    webkit_web_view_run_javascript_in_world(view, script.c_str(), world, nullptr, nullptr, nullptr);
    G_GNUC_END_IGNORE_DEPRECATIONS
}

}  // namespace viewer::webkit
