// The place script in a script world of the viewer's own, and the messages it sends.
#include "ReaderPlace.h"

#include "CarriedFiles.h"
#include "ScriptWorlds.h"

#include <webkit2/webkit2.h>

#include <charconv>
#include <cmath>

namespace viewer::webkit {

namespace {

constexpr const char* kWorld = "zorbin-reader-place";
constexpr const char* kChannel = "zorbinReaderPlace";

// A message "spot\nfraction"; anything else is not a place.
void Told(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_string(value)) return;
    char* text = jsc_value_to_string(value);
    const std::string message = text ? text : "";
    g_free(text);
    const std::size_t cut = message.find('\n');
    if (cut == std::string::npos) return;
    double fraction = 0;
    const char* end = message.data() + message.size();
    if (std::from_chars(message.data() + cut + 1, end, fraction).ptr != end || !std::isfinite(fraction)) return;
    (*static_cast<PlaceTold*>(data))(message.substr(0, cut), fraction);
}

}  // namespace

unsigned long FollowReaderPlace(WebKitWebView* view, PlaceTold told) {
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
    const std::string source(ReaderPlaceScript());
    WebKitUserScript* script =
        webkit_user_script_new_for_world(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, kWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
    webkit_user_content_manager_register_script_message_handler_in_world(content, kChannel, kWorld);
    return g_signal_connect_data(content, (std::string("script-message-received::") + kChannel).c_str(), G_CALLBACK(Told),
                          new PlaceTold(std::move(told)),
                          [](gpointer data, GClosure*) { delete static_cast<PlaceTold*>(data); }, GConnectFlags{});
}

void ShowReaderPlace(WebKitWebView* view, const std::string& spot, double fraction) {
    if (!g_utf8_validate(spot.data(), static_cast<gssize>(spot.size()), nullptr) || !std::isfinite(fraction)) return;
    char number[32];
    const auto written = std::to_chars(number, number + sizeof number, fraction);
    RunInWorld(view, "window.zorbinShowPlace(" + JavaScriptString(spot) + ", " + std::string(number, written.ptr) + ");",
               kWorld);
}

}  // namespace viewer::webkit
