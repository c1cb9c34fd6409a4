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
    std::string Eval(const std::string& script) { return Run(script, false); }
    std::string EvalAsync(const std::string& body) { return Run(body, true); }

    viewer::webkit::WebKitBrowser browser;
    int finishedLoads = 0;

private:
    struct Result {
        bool done = false;
        std::string text;
        bool async = false;
    };
    static void Finished(GObject* view, GAsyncResult* res, gpointer data) {
        auto* result = static_cast<Result*>(data);
        GError* error = nullptr;
        JSCValue* value = result->async
                              ? webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), res, &error)
                              : webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), res, &error);
        if (value) {
            char* text = jsc_value_to_string(value);
            result->text = text ? text : "";
            g_free(text);
            g_object_unref(value);
        } else {
            result->text = std::string("<error: ") + (error ? error->message : "?") + ">";
            g_clear_error(&error);
        }
        result->done = true;
    }
    std::string Run(const std::string& script, bool async) {
        Result result;
        result.async = async;
        if (async)
            webkit_web_view_call_async_javascript_function(View(), script.c_str(), -1, nullptr, nullptr, nullptr,
                                                           nullptr, Finished, &result);
        else
            webkit_web_view_evaluate_javascript(View(), script.c_str(), -1, nullptr, nullptr, nullptr, Finished,
                                                &result);
        if (!RunUntil([&] { return result.done; })) {
            // The callback still refers to result: wait it out before returning.
            RunUntil([&] { return result.done; }, 60000);
            return "<timeout>";
        }
        return result.text;
    }

    GtkWidget* window_;
};
