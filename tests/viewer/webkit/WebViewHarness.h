// Drives a WebKitBrowser in a real window under the test display: waits on
// the main loop with a time limit, reads page state back with JavaScript.
#pragma once

#include "WebKitBrowser.h"

#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <string>

// Set by main when the display opened.
extern bool g_haveDisplay;

// Runs the main loop until the condition holds or the time is up.
inline bool RunUntil(const std::function<bool()>& done, int milliseconds = 15000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        g_main_context_iteration(nullptr, FALSE);
        if (!g_main_context_pending(nullptr)) g_usleep(1000);
    }
    return true;
}

// Runs the main loop for a while, for things that must not happen.
inline void RunFor(int milliseconds) {
    RunUntil([] { return false; }, milliseconds);
}

// How long a script's value is waited for, unless a test says otherwise.
inline constexpr int kEvalWait = 15000;

// Runs a script in a view's page and waits for its value as text; with
// async, the script is the body of an async function ending in "return ...".
inline std::string EvalIn(WebKitWebView* view, const std::string& script, bool async = false,
                          int milliseconds = kEvalWait) {
    struct Result {
        bool done = false;
        std::string text;
        bool async = false;
    } result;
    result.async = async;
    auto finished = +[](GObject* source, GAsyncResult* res, gpointer data) {
        auto* r = static_cast<Result*>(data);
        GError* error = nullptr;
        JSCValue* value = r->async
                              ? webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(source), res, &error)
                              : webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, &error);
        if (value) {
            char* text = jsc_value_to_string(value);
            r->text = text ? text : "";
            g_free(text);
            g_object_unref(value);
        } else {
            r->text = std::string("<error: ") + (error ? error->message : "?") + ">";
            g_clear_error(&error);
        }
        r->done = true;
    };
    if (async)
        webkit_web_view_call_async_javascript_function(view, script.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                                       finished, &result);
    else
        webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr, nullptr, finished, &result);
    if (!RunUntil([&] { return result.done; }, milliseconds)) {
        // The callback still refers to result: wait it out before returning.
        RunUntil([&] { return result.done; }, 60000);
        return "<timeout>";
    }
    return result.text;
}

// The find dialog among the open windows, and its parts by name.
inline GtkWidget* FindDialogWindow() {
    GtkWidget* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
        if (GTK_IS_DIALOG(w->data) && g_strcmp0(gtk_window_get_title(GTK_WINDOW(w->data)), "Find") == 0)
            found = GTK_WIDGET(w->data);
    g_list_free(windows);
    return found;
}

inline GtkWidget* Part(GtkWidget* root, const char* name) {
    if (g_strcmp0(gtk_widget_get_name(root), name) == 0) return root;
    if (!GTK_IS_CONTAINER(root)) return nullptr;
    GtkWidget* found = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(root));
    for (GList* c = children; c && !found; c = c->next) found = Part(GTK_WIDGET(c->data), name);
    g_list_free(children);
    return found;
}

// A browser in a shown window, counting the loads that finished.
class WebViewHarness {
public:
    WebViewHarness() : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
        gtk_window_set_title(GTK_WINDOW(window_), "Viewer");
        gtk_window_set_default_size(GTK_WINDOW(window_), 640, 400);
        gtk_container_add(GTK_CONTAINER(window_), browser.Widget());
        g_signal_connect(browser.View(), "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                             if (event == WEBKIT_LOAD_FINISHED) ++static_cast<WebViewHarness*>(self)->finishedLoads;
                         }),
                         this);
        gtk_widget_show_all(window_);
    }
    ~WebViewHarness() {
        g_signal_handlers_disconnect_by_data(browser.View(), this);
        gtk_widget_destroy(window_);
    }

    GtkWindow* Window() const { return GTK_WINDOW(window_); }
    WebKitWebView* View() const { return browser.View(); }

    // Waits for the next load to finish and its address to be the expected one.
    bool WaitForLoad(int loadsBefore, const std::string& expectedUri) {
        return RunUntil([&] {
            const char* uri = webkit_web_view_get_uri(View());
            return finishedLoads > loadsBefore && !webkit_web_view_is_loading(View()) && uri && expectedUri == uri;
        });
    }
    bool Load(const std::string& url, const std::string& expectedUri) {
        const int before = finishedLoads;
        browser.Navigate(url);
        return WaitForLoad(before, expectedUri);
    }
    // Runs a script in the page and waits for it; for promises, use an
    // async function body ending in "return ...".
    std::string Eval(const std::string& script) { return EvalIn(View(), script); }
    std::string EvalAsync(const std::string& body, int milliseconds = kEvalWait) {
        return EvalIn(View(), body, true, milliseconds);
    }

    viewer::webkit::WebKitBrowser browser;
    int finishedLoads = 0;

private:
    GtkWidget* window_;
};
