// Measures the viewer in a real WebKit view on a virtual display:
//   bench_viewer open BOOK
//     opens the eBook as the viewer program does and prints how long its
//     first page took to show and the resident memory then and 3 s later;
//   bench_viewer images BOOK FOLDER ROUNDS
//     loads index.html alternately from the eBook and through file:// from
//     FOLDER in the same view and prints the median times and their ratio.
#include "GtkBinding.h"
#include "SimExe.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebKitBrowser.h"
#include "WebKitInstall.h"
#if __has_include("OwnBlocks.h")
#include "OwnBlocks.h"
#define ZORBIN_HAVE_OWN_BLOCKS 1
#endif

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident memory of this process in MB, from /proc/self/status.
double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
    return 0;
}

void RunUntil(const std::function<bool()>& done, double limitMs = 120000) {
    const auto start = Clock::now();
    while (!done() && MillisecondsSince(start) < limitMs) g_main_context_iteration(nullptr, TRUE);
}

// Counts the loads of a view that finished.
struct LoadCounter {
    explicit LoadCounter(WebKitWebView* view) {
        g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                             if (event == WEBKIT_LOAD_FINISHED) ++static_cast<LoadCounter*>(self)->finished;
                         }),
                         this);
    }
    int finished = 0;
};

int Open(int argc, char** argv, const std::string& book) {
    const auto start = Clock::now();
    SimExe::SetOwnImageFile(book);
#ifdef ZORBIN_HAVE_OWN_BLOCKS
    viewer::PrepareOwnBlocks();
#endif
    if (!toolkit::gtk::Initialize(argc, argv)) return 1;
    viewer::webkit::Install();
    viewer::TForm2 about;
    viewer::TForm1 form(about);
    auto* view = static_cast<viewer::webkit::WebKitBrowser&>(form.webbrowser1->Browser()).View();
    LoadCounter loads(view);
    form.Show();
    form.FormCreate();
    RunUntil([&] { return loads.finished > 0; });
    const double shown = MillisecondsSince(start);
    const double residentAtPage = ResidentMegabytes();
    RunUntil([] { return false; }, 3000);
    std::printf("first_page_ms %.1f rss_at_page_mb %.1f rss_3s_later_mb %.1f\n", shown, residentAtPage,
                ResidentMegabytes());
    form.FormDestroy();
    return 0;
}

// The number of pictures of the shown page that have been decoded.
int PicturesShown(WebKitWebView* view) {
    struct Result {
        bool done = false;
        int count = -1;
    } result;
    webkit_web_view_evaluate_javascript(
        view, "Array.from(document.images).filter(i => i.complete && i.naturalWidth > 0).length", -1, nullptr,
        nullptr, nullptr,
        +[](GObject* source, GAsyncResult* res, gpointer data) {
            auto* r = static_cast<Result*>(data);
            if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, nullptr)) {
                r->count = jsc_value_to_int32(value);
                g_object_unref(value);
            }
            r->done = true;
        },
        &result);
    RunUntil([&] { return result.done; });
    return result.count;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Images(int argc, char** argv, const std::string& book, const std::string& folder, int rounds) {
    SimExe::SetOwnImageFile(book);
    if (!toolkit::gtk::Initialize(argc, argv)) return 1;
    viewer::webkit::Install();
    viewer::pages_ready = true;
    viewer::webkit::WebKitBrowser browser;
    browser.RegisterPageProtocol();
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 1000, 700);
    gtk_container_add(GTK_CONTAINER(window), browser.Widget());
    gtk_widget_show_all(window);
    LoadCounter loads(browser.View());
    int pictures = -1;
    const auto timeLoad = [&](const std::string& url) {
        const int before = loads.finished;
        const auto start = Clock::now();
        browser.Navigate(url);
        RunUntil([&] { return loads.finished > before; });
        const double took = MillisecondsSince(start);
        if (pictures >= 0 && PicturesShown(browser.View()) != pictures) std::fprintf(stderr, "%s: not every picture shown\n", url.c_str());
        return took;
    };
    const std::string fileUrl = "file://" + folder + "/index.html";
    timeLoad(fileUrl);  // both start warm, and every picture must show each time
    pictures = PicturesShown(browser.View());
    timeLoad("http://ebook/index.html");
    std::vector<double> ebook, file;
    for (int i = 0; i < rounds; ++i) {
        ebook.push_back(timeLoad("http://ebook/index.html"));
        file.push_back(timeLoad(fileUrl));
    }
    std::printf("pictures %d ebook_ms %.1f file_ms %.1f ratio %.3f (goal <= 1.10)\n", pictures, Median(ebook), Median(file),
                Median(ebook) / Median(file));
    browser.UnregisterPageProtocol();
    gtk_widget_destroy(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "open" && argc == 3) return Open(argc, argv, argv[2]);
    if (mode == "images" && argc == 5) return Images(argc, argv, argv[2], argv[3], std::stoi(argv[4]));
    std::cerr << "usage: bench_viewer open BOOK | bench_viewer images BOOK FOLDER ROUNDS\n";
    return 2;
}
