// Measures the viewer in a real WebKit view on a virtual display:
//   bench_viewer open BOOK [PASSWORD]
//     opens the eBook as the viewer program does (the password typed at
//     once, for a protected one) and prints how long its first page took to
//     show and the resident memory then and 3 s later, when the window first
//     drew itself, and for a book with contents how long after that the
//     contents pane first drew its rows;
//   bench_viewer images BOOK FOLDER ROUNDS
//     loads index.html alternately from the eBook and through file:// from
//     FOLDER in the same view and prints the median times and their ratio;
//   bench_viewer protected PLAIN-BOOK PROTECTED-BOOK PASSWORD ROUNDS
//     loads index.html alternately from the two books (the second opened
//     with the password) in the same view and prints the median times and
//     their ratio;
//   bench_viewer seek BOOK FOLDER ROUNDS
//     plays the video of index.html (see bench/media.sh) alternately from
//     the eBook and through file:// from FOLDER in the same view, seeks to
//     90 % of it, and prints the median times from the seek to "seeked",
//     their ratio, and the resident memory of the viewer and its web
//     process while the eBook's video plays.
#include "BookLock.h"
#include "GtkBinding.h"
#include "OwnBook.h"
#include "SimExe.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebKitBrowser.h"
#include "WebKitInstall.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Resident memory of a process in MB, from /proc/PID/status.
double ResidentMegabytes(const std::string& pid = "self") {
    std::ifstream status("/proc/" + pid + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
    return 0;
}

// Resident memory of this process and of the processes it started (WebKit's
// web and network processes), in MB.
double ResidentWithChildrenMegabytes() {
    double total = ResidentMegabytes();
    const std::string self = std::to_string(::getpid());
    if (DIR* proc = ::opendir("/proc")) {
        while (const dirent* entry = ::readdir(proc)) {
            std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
            std::string line;
            if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
            // Fields after the command's closing parenthesis: state, then the parent's pid.
            std::string state, parent;
            std::istringstream(line.substr(line.rfind(')') + 1)) >> state >> parent;
            if (parent == self) total += ResidentMegabytes(entry->d_name);
        }
        ::closedir(proc);
    }
    return total;
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

// When a widget first drew itself.
struct FirstDraw {
    explicit FirstDraw(GtkWidget* widget) {
        g_signal_connect(widget, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer self) -> gboolean {
                             auto* first = static_cast<FirstDraw*>(self);
                             if (!first->at) first->at = Clock::now();
                             return FALSE;
                         }),
                         this);
    }
    std::optional<Clock::time_point> at;
};

int Open(int argc, char** argv, const std::string& book, const char* password) {
    const auto start = Clock::now();
    SimExe::SetOwnImageFile(book);
    std::shared_ptr<book::Book> own = viewer::PrepareOwnBook();
    if (!toolkit::gtk::Initialize(argc, argv)) return 1;
    if (password) {  // typed at once
        auto dialogs = std::make_unique<toolkit::ScriptedDialogs>();
        dialogs->inputAnswers.push_back(password);
        toolkit::Application().SetDialogs(std::move(dialogs));
    }
    viewer::webkit::Install();
    viewer::TForm2 about;
    viewer::TForm1 form(about, std::move(own));
    auto* view = static_cast<viewer::webkit::WebKitBrowser&>(form.webbrowser1->Browser()).View();
    LoadCounter loads(view);
    form.Show();
    FirstDraw window(toolkit::gtk::WidgetOf(form)), pane(toolkit::gtk::WidgetOf(*form.ContentsTree));
    form.FormCreate();
    RunUntil([&] { return loads.finished > 0; });
    const double shown = MillisecondsSince(start);
    const double residentAtPage = ResidentMegabytes();
    RunUntil([] { return false; }, 3000);
    std::printf("first_page_ms %.1f rss_at_page_mb %.1f rss_3s_later_mb %.1f", shown, residentAtPage,
                ResidentMegabytes());
    const auto since = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    };
    if (window.at) std::printf(" window_ms %.1f", since(start, *window.at));
    if (window.at && pane.at) std::printf(" pane_after_window_ms %.1f", since(*window.at, *pane.at));
    std::printf("\n");
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

// A result of the page's own script, as text; empty until it is there.
std::string Evaluate(WebKitWebView* view, const std::string& script) {
    struct Result {
        bool done = false;
        std::string text;
    } result;
    webkit_web_view_evaluate_javascript(
        view, script.c_str(), -1, nullptr, nullptr, nullptr,
        +[](GObject* source, GAsyncResult* res, gpointer data) {
            auto* r = static_cast<Result*>(data);
            if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, nullptr)) {
                if (!jsc_value_is_undefined(value)) {
                    char* text = jsc_value_to_string(value);
                    r->text = text;
                    g_free(text);
                }
                g_object_unref(value);
            }
            r->done = true;
        },
        &result);
    RunUntil([&] { return result.done; });
    return result.text;
}

// A browser serving the eBook's pages in a window of its own.
struct BenchWindow {
    explicit BenchWindow(const std::string& file) : book(book::Book::Open(file)) {
        viewer::webkit::Install();
        viewer::pages_ready = true;
        browser = std::make_unique<viewer::webkit::WebKitBrowser>();
        browser->RegisterPageProtocol(book);
        window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_default_size(GTK_WINDOW(window), 1000, 700);
        gtk_container_add(GTK_CONTAINER(window), browser->Widget());
        gtk_widget_show_all(window);
    }
    ~BenchWindow() {
        browser->UnregisterPageProtocol();
        gtk_widget_destroy(window);
    }
    std::shared_ptr<book::Book> book;
    std::unique_ptr<viewer::webkit::WebKitBrowser> browser;
    GtkWidget* window;
};

// The page plays its video and seeks to 90 % of it once it has played for a
// second; "seek_ms" is the time from the seek to "seeked".
int Seek(int argc, char** argv, const std::string& book, const std::string& folder, int rounds) {
    if (!toolkit::gtk::Initialize(argc, argv)) return 1;
    BenchWindow bench(book);
    bench.book->IndexInBackground();  // as the viewer program does, with its memory
    WebKitWebView* view = bench.browser->View();
    LoadCounter loads(view);
    const auto timeSeek = [&](const std::string& url, double* resident) {
        const int before = loads.finished;
        bench.browser->Navigate(url);
        RunUntil([&] { return loads.finished > before; });
        std::string seek;
        RunUntil([&] { return !(seek = Evaluate(view, "window.result && result.after !== undefined ? result.seek_ms : undefined")).empty(); });
        if (seek.empty()) std::fprintf(stderr, "%s: the video did not seek\n", url.c_str());
        if (resident) *resident = ResidentWithChildrenMegabytes();
        return seek.empty() ? 0 : std::stod(seek);
    };
    const std::string fileUrl = "file://" + folder + "/index.html";
    timeSeek(fileUrl, nullptr);
    double playing = 0;
    timeSeek("http://ebook/index.html", &playing);
    std::vector<double> ebook, file;
    for (int i = 0; i < rounds; ++i) {
        ebook.push_back(timeSeek("http://ebook/index.html", nullptr));
        file.push_back(timeSeek(fileUrl, nullptr));
    }
    std::printf("seek ebook_ms %.1f file_ms %.1f ratio %.3f rss_playing_mb %.1f\n", Median(ebook), Median(file),
                Median(ebook) / Median(file), playing);
    return 0;
}

// Times loads of a page in the window, each until it has finished and shows
// as many pictures as the first one did.
struct PageTimer {
    explicit PageTimer(viewer::webkit::WebKitBrowser& browser) : browser(browser), loads(browser.View()) {}
    double operator()(const std::string& url) {
        const int before = loads.finished;
        const auto start = Clock::now();
        browser.Navigate(url);
        RunUntil([&] { return loads.finished > before; });
        const double took = MillisecondsSince(start);
        if (pictures < 0) pictures = PicturesShown(browser.View());
        else if (PicturesShown(browser.View()) != pictures) std::fprintf(stderr, "%s: not every picture shown\n", url.c_str());
        return took;
    }
    viewer::webkit::WebKitBrowser& browser;
    LoadCounter loads;
    int pictures = -1;
};

int Images(int argc, char** argv, const std::string& book, const std::string& folder, int rounds) {
    if (!toolkit::gtk::Initialize(argc, argv)) return 1;
    BenchWindow bench(book);
    PageTimer timeLoad(*bench.browser);
    const std::string fileUrl = "file://" + folder + "/index.html";
    timeLoad(fileUrl);  // both start warm, and every picture must show each time
    timeLoad("http://ebook/index.html");
    std::vector<double> ebook, file;
    for (int i = 0; i < rounds; ++i) {
        ebook.push_back(timeLoad("http://ebook/index.html"));
        file.push_back(timeLoad(fileUrl));
    }
    std::printf("pictures %d ebook_ms %.1f file_ms %.1f ratio %.3f (goal <= 1.10)\n", timeLoad.pictures, Median(ebook),
                Median(file), Median(ebook) / Median(file));
    return 0;
}

// The same page from a protected book and from the book without a password,
// in turn in one window.
int Protected(int argc, char** argv, const std::string& plain, const std::string& locked, const char* password,
              int rounds) {
    if (!toolkit::gtk::Initialize(argc, argv)) return 1;
    // The book's key, unlocked once as the viewer does.
    const std::shared_ptr<book::Book> lockedBook = book::Book::Open(locked);
    if (!book::Unlock(*lockedBook, book::LockOf(*lockedBook), password)) {
        std::fprintf(stderr, "%s: the password does not open it\n", locked.c_str());
        return 1;
    }
    BenchWindow bench(plain);
    PageTimer timeLoad(*bench.browser);
    std::vector<double> plainTimes, lockedTimes;
    for (int i = -1; i < rounds; ++i) {  // a first round to warm up; each book goes first every other round
        for (const bool second : {false, true}) {
            const bool protectedBook = second == (i % 2 == 0);
            bench.browser->RegisterPageProtocol(protectedBook ? lockedBook : bench.book);
            const double took = timeLoad("http://ebook/index.html");
            if (i >= 0) (protectedBook ? lockedTimes : plainTimes).push_back(took);
        }
    }
    std::printf("pictures %d protected_ms %.1f plain_ms %.1f ratio %.3f\n", timeLoad.pictures, Median(lockedTimes),
                Median(plainTimes), Median(lockedTimes) / Median(plainTimes));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "open" && (argc == 3 || argc == 4)) return Open(argc, argv, argv[2], argc == 4 ? argv[3] : nullptr);
    if (mode == "images" && argc == 5) return Images(argc, argv, argv[2], argv[3], std::stoi(argv[4]));
    if (mode == "protected" && argc == 6) return Protected(argc, argv, argv[2], argv[3], argv[4], std::stoi(argv[5]));
    if (mode == "seek" && argc == 5) return Seek(argc, argv, argv[2], argv[3], std::stoi(argv[4]));
    std::cerr << "usage: bench_viewer open BOOK [PASSWORD] | bench_viewer images|seek BOOK FOLDER ROUNDS\n"
                 "       bench_viewer protected PLAIN-BOOK PROTECTED-BOOK PASSWORD ROUNDS\n";
    return 2;
}
