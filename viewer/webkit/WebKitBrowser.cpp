// The WebKitGTK browser behind the viewer's WebBrowser interface.
#include "WebKitBrowser.h"

#include "CarriedFiles.h"
#include "FindDialog.h"
#include "PageScheme.h"
#include "ReaderPlace.h"
#include "WebProcessExtension.h"

#include <webkit2/webkit2.h>

#include <stdexcept>

namespace viewer::webkit {

namespace {

// What a failed history step reports, as the window shows it.
constexpr const char* kNowhereToGo = "Unspecified error";

// Every frame of the pages gets the script that gives fetch() and XHR
// the addresses that work (page-addresses.js).
void AddPageAddressScript(WebKitWebView* view) {
    const std::string source(PageAddressScript());
    WebKitUserScript* script = webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(view), script);
    webkit_user_script_unref(script);
}

WebKitWebView* NewView() {
    auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new());
    g_object_ref_sink(view);
    InstallWebProcessExtension(webkit_web_view_get_context(view));
    RegisterPageScheme(webkit_web_view_get_context(view));
    AddPageAddressScript(view);
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    webkit_settings_set_enable_javascript(settings, TRUE);
    webkit_settings_set_auto_load_images(settings, TRUE);
    webkit_settings_set_enable_media(settings, TRUE);
    webkit_settings_set_default_charset(settings, "UTF-8");
    webkit_settings_set_media_playback_requires_user_gesture(settings, FALSE);
    return view;
}

gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer self) {
    return static_cast<WebKitBrowser*>(self)->ShowContextMenu() == S_OK;
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
    if (!OffersKeyToHost(event->keyval, event->state)) return FALSE;
    return static_cast<WebKitBrowser*>(self)->TranslateAccelerator() == S_OK;
}

// Links meant for a new window open in this view, a page URL in its "ebook"
// form. A navigation to a literal "http://ebook/..." address goes its way:
// the web-process extension sends it to the "ebook" scheme in the frame it
// belongs to. Only without the extension is it loaded here in its "ebook"
// form, as the whole view's page.
gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
        return FALSE;
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    if (!uri) return FALSE;
    const std::string target = uri;
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
        (!IsPageUrl(target) || !WebProcessExtensionFolder().empty()))
        return FALSE;
    webkit_policy_decision_ignore(decision);
    webkit_web_view_load_uri(view, ViewUriOf(target).c_str());
    return TRUE;
}

// The view's address as the window knows it: a page URL in its
// "http://ebook/" form, any other address as it is.
std::string AddressShown(WebKitWebView* view) {
    const char* uri = webkit_web_view_get_uri(view);
    if (!uri) return {};
    const std::string pageUrl = PageUrlOf(uri);
    return pageUrl.empty() ? uri : pageUrl;
}

}  // namespace

bool OffersKeyToHost(unsigned keyval, unsigned modifierState) {
    if (modifierState & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return true;
    return keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24;
}

WebKitBrowser::WebKitBrowser()
    : view_(Adopt(NewView())),
      history_(Adopt(WEBKIT_BACK_FORWARD_LIST(g_object_ref(webkit_web_view_get_back_forward_list(view_.get()))))) {
    ConnectSignals();
}

WebKitBrowser::~WebKitBrowser() {
    findDialog_.reset();
    g_signal_handler_disconnect(webkit_web_view_get_user_content_manager(view_.get()), placeHandler_);
    g_signal_handlers_disconnect_by_data(history_.get(), this);
    g_signal_handlers_disconnect_by_data(view_.get(), this);
    ServePages(view_.get(), nullptr);
}

GtkWidget* WebKitBrowser::Widget() const { return GTK_WIDGET(view_.get()); }

void WebKitBrowser::ConnectSignals() {
    g_signal_connect(view_.get(), "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(view_.get(), "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(view_.get(), "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view_.get(), "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                         auto* browser = static_cast<WebKitBrowser*>(self);
                         if (event == WEBKIT_LOAD_COMMITTED) browser->hasDocument_ = true;
                         if (event == WEBKIT_LOAD_COMMITTED || event == WEBKIT_LOAD_FINISHED)
                             browser->ReportHistoryState();
                         if (event == WEBKIT_LOAD_FINISHED) browser->DocumentComplete(AddressShown(browser->View()));
                     }),
                     this);
    g_signal_connect(view_.get(), "notify::uri", G_CALLBACK(+[](WebKitWebView* view, GParamSpec*, gpointer self) {
                         static_cast<WebKitBrowser*>(self)->NavigateComplete(AddressShown(view));
                     }),
                     this);
    g_signal_connect(view_.get(), "scroll-event", G_CALLBACK(+[](GtkWidget*, GdkEventScroll* event, gpointer self) {
                         return gboolean(static_cast<WebKitBrowser*>(self)->ZoomByWheel(*event));
                     }),
                     this);
    placeHandler_ = FollowReaderPlace(view_.get(), [this](const std::string& spot, double fraction) {
        PlaceChanged(AddressShown(view_.get()), spot, fraction);
    });
    g_signal_connect(history_.get(), "changed",
                     G_CALLBACK(+[](WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer, gpointer self) {
                         static_cast<WebKitBrowser*>(self)->ReportHistoryState();
                     }),
                     this);
}

bool WebKitBrowser::ZoomByWheel(const GdkEventScroll& event) {
    if (!(event.state & GDK_CONTROL_MASK)) return false;
    if (event.direction == GDK_SCROLL_UP || event.direction == GDK_SCROLL_DOWN) {
        ZoomWheel(event.direction == GDK_SCROLL_UP ? 1 : -1);
    } else if (event.direction == GDK_SCROLL_SMOOTH) {
        // A touchpad turns by parts of a notch; whole notches zoom.
        wheelTurned_ -= event.delta_y;
        while (wheelTurned_ >= 1 || wheelTurned_ <= -1) {
            const int step = wheelTurned_ > 0 ? 1 : -1;
            wheelTurned_ -= step;
            ZoomWheel(step);
        }
    }
    return true;
}

void WebKitBrowser::ReportHistoryState() {
    CommandStateChange(CSC_NAVIGATEFORWARD, webkit_web_view_can_go_forward(view_.get()));
    CommandStateChange(CSC_NAVIGATEBACK, webkit_web_view_can_go_back(view_.get()));
}

void WebKitBrowser::RegisterPageProtocol(std::shared_ptr<const book::Book> book) {
    book_ = std::move(book);
    ServePages(view_.get(), book_);
    HandBookToWebProcesses(webkit_web_view_get_context(view_.get()), book_);
}

void WebKitBrowser::UnregisterPageProtocol() { ServePages(view_.get(), nullptr); }

void WebKitBrowser::Navigate(const std::string& url) { webkit_web_view_load_uri(view_.get(), ViewUriOf(url).c_str()); }

void WebKitBrowser::GoBack() {
    if (!webkit_web_view_can_go_back(view_.get())) throw std::runtime_error(kNowhereToGo);
    webkit_web_view_go_back(view_.get());
}

void WebKitBrowser::GoForward() {
    if (!webkit_web_view_can_go_forward(view_.get())) throw std::runtime_error(kNowhereToGo);
    webkit_web_view_go_forward(view_.get());
}

void WebKitBrowser::Refresh() { webkit_web_view_reload(view_.get()); }

void WebKitBrowser::Stop() { webkit_web_view_stop_loading(view_.get()); }

void WebKitBrowser::Find() {
    if (!hasDocument_) return;
    if (!findDialog_) findDialog_ = std::make_unique<FindDialog>(view_.get(), book_);
    findDialog_->Present();
}

std::string WebKitBrowser::Title() const {
    const char* title = webkit_web_view_get_title(view_.get());
    return title ? title : "";
}

double WebKitBrowser::Zoom() const { return webkit_web_view_get_zoom_level(view_.get()); }

void WebKitBrowser::SetZoom(double level) { webkit_web_view_set_zoom_level(view_.get(), level); }

void WebKitBrowser::ShowPlace(const std::string& spot, double fraction) {
    ShowReaderPlace(view_.get(), spot, fraction);
}

// Prints at once on the default printer. Without a printer the operation
// fails; that is not reported. The operation releases itself when done.
void WebKitBrowser::Print() {
    if (!hasDocument_) return;
    WebKitPrintOperation* operation = webkit_print_operation_new(view_.get());
    g_signal_connect(operation, "failed", G_CALLBACK(+[](WebKitPrintOperation*, GError*, gpointer) {}), nullptr);
    g_signal_connect(operation, "finished", G_CALLBACK(g_object_unref), nullptr);
    webkit_print_operation_print(operation);
}

}  // namespace viewer::webkit
