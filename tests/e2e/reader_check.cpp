// Opens an eBook with the viewer's own windows, as the eBook's program does,
// and checks what its reader meets first, on whatever system it runs: the
// first page shows, whole-book search finds each word asked for on its
// page, and a video plays. The Debian 13 check runs it there, beside an
// eBook compiled here.
//   reader_check EBOOK VIDEO-PAGE [WORD=PAGE ...]
// Prints a line per check; exits 0 when every check passes.
#include "GtkBinding.h"
#include "OwnBook.h"
#include "PageScheme.h"
#include "SimExe.h"
#include "TextLibraries.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebKitInstall.h"
#include "WebViewHarness.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

bool g_haveDisplay = false;

namespace {

int g_failures = 0;

void Report(bool passed, const std::string& what) {
    std::cout << (passed ? "ok:   " : "FAIL: ") << what << std::endl;
    if (!passed) ++g_failures;
}

class Reader {
public:
    explicit Reader(WebKitWebView* view) : view_(view) {}

    bool WaitForPage(const std::string& uri) {
        return RunUntil([&] {
            const char* now = webkit_web_view_get_uri(view_);
            return !webkit_web_view_is_loading(view_) && now && uri == now;
        });
    }

    // Types the word into the find dialog's whole-book search, presses
    // Enter, and gives the count line and the results' headings.
    std::pair<std::string, std::vector<std::string>> SearchBook(viewer::TForm1& form, const std::string& word) {
        form.SpeedButton6->Click();
        GtkWidget* dialog = FindDialogWindow();
        if (!dialog) return {"no find dialog", {}};
        if (GtkWidget* why = Part(dialog, "find-book-unavailable")) return {gtk_label_get_text(GTK_LABEL(why)), {}};
        GtkWidget* entry = Part(dialog, "find-text");
        GtkWidget* count = Part(dialog, "search-count");
        gtk_label_set_text(GTK_LABEL(count), "");
        gtk_entry_set_text(GTK_ENTRY(entry), word.c_str());
        g_signal_emit_by_name(entry, "activate");
        RunUntil([&] { return *gtk_label_get_text(GTK_LABEL(count)) != '\0'; });
        std::vector<std::string> headings;
        GtkWidget* results = Part(dialog, "search-results");
        for (int row = 0; GtkListBoxRow* found = gtk_list_box_get_row_at_index(GTK_LIST_BOX(results), row); ++row) {
            GtkWidget* box = gtk_bin_get_child(GTK_BIN(found));
            GList* labels = gtk_container_get_children(GTK_CONTAINER(box));
            headings.emplace_back(gtk_label_get_text(GTK_LABEL(labels->data)));
            g_list_free(labels);
        }
        return {gtk_label_get_text(GTK_LABEL(count)), headings};
    }

    // Plays the page's first video for a while; its time then, or what went wrong.
    std::string PlayVideo() {
        return EvalIn(view_,
                      "const video = document.querySelector('video');"
                      "if (!video) return 'no video on the page';"
                      "video.muted = true;"
                      "try { await video.play(); } catch (e) { return 'play() failed: ' + e; }"
                      "await new Promise(done => setTimeout(done, 2000));"
                      "return video.error ? 'media error ' + video.error.code : String(video.currentTime);",
                      true);
    }

private:
    WebKitWebView* view_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: reader_check EBOOK VIDEO-PAGE [WORD=PAGE ...]\n";
        return 2;
    }
    SimExe::SetOwnImageFile(argv[1]);
    std::shared_ptr<book::Book> book = viewer::PrepareOwnBook();
    toolkit::Application().Title = "Zorbin eBook";
    g_haveDisplay = toolkit::gtk::Initialize(argc, argv);
    if (!g_haveDisplay) {
        std::cerr << "reader_check: cannot open a display\n";
        return 2;
    }
    viewer::webkit::Install();
    viewer::TForm2 about;
    auto form = std::make_unique<viewer::TForm1>(about, std::move(book));
    WebKitWebView* view = static_cast<viewer::webkit::WebKitBrowser&>(form->webbrowser1->Browser()).View();
    toolkit::Application().Dispatch([&] { form->FormCreate(); });
    form->Show();
    Reader reader(view);

    const bool shown = reader.WaitForPage("ebook://ebook/index.html");
    Report(shown && EvalIn(view, "document.querySelector('h1') ? document.querySelector('h1').textContent : ''") != "",
           "the first page shows: " + EvalIn(view, "document.title"));

    const std::string missing = search::TextLibrariesMissing();
    Report(missing.empty(), missing.empty() ? "text libraries: " + search::TextLibrariesInUse().release : missing);
    for (int i = 3; i < argc; ++i) {
        const std::string wordAndPage = argv[i];
        const std::string word = wordAndPage.substr(0, wordAndPage.find('='));
        const std::string page = wordAndPage.substr(word.size() + 1);
        const auto [count, headings] = reader.SearchBook(*form, word);
        bool onItsPage = false;
        for (const std::string& heading : headings) onItsPage |= heading.ends_with("  " + page);
        Report(onItsPage, "whole-book search for " + word + ": " + count + (onItsPage ? " " + page + " among them" : ""));
    }

    form->webbrowser1->Browser().Navigate(std::string("http://ebook/") + argv[2]);
    const bool videoPage = reader.WaitForPage(std::string("ebook://ebook/") + argv[2]);
    const std::string played = videoPage ? reader.PlayVideo() : "the page did not load";
    Report(std::strtod(played.c_str(), nullptr) >= 0.5, "the video plays: " + played + " s in");

    form->FormDestroy();
    form.reset();
    viewer::webkit::FinishPageWork(2000);
    return g_failures == 0 ? 0 : 1;
}
