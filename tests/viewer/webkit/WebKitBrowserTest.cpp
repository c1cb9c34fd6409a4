// The WebKit browser in a real window: a small site served from the block
// store, links, history notifications, empty answers, content types, byte
// ranges, the host hooks, find and print.
#include "BookImage.h"
#include "ChunkedPage.h"
#include "IndexWriter.h"
#include "LibraryLookup.h"
#include "ZeroBomb.h"
#include "PageScheme.h"
#include "SimExe.h"
#include "WebViewHarness.h"
#include "ZLibEx.h"
#include "eProtocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

using viewer::S_FALSE;
using viewer::S_OK;

namespace {

// A 1 by 1 red GIF.
const std::string kRedGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00!\xf9\x04\x00\x00\x00\x00\x00"
                          ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                          43);

void AddSite(BookImage& image) {
    image.Add("index.html",
              "<!DOCTYPE html><html><head><title>Front page</title>"
              "<link rel=\"stylesheet\" href=\"style/book.css\"></head><body>"
              "<h1 id=\"title\">Welcome to the book</h1>"
              "<img id=\"logo\" src=\"images/logo.gif\" width=\"64\" height=\"64\">"
              "<p><a id=\"next\" href=\"book/chapter1.html\">Chapter one</a></p>"
              "<p><input id=\"field\"></p></body></html>");
    image.Add("style/book.css", "#title { color: rgb(200, 0, 0); } img { image-rendering: pixelated; }");
    image.Add("images/logo.gif", kRedGif);
    image.Add("book/chapter1.html",
              "<!DOCTYPE html><html><body><p id=\"text\">Chapter one text</p>"
              "<a id=\"home\" href=\"../index.html\">Home</a> "
              "<a id=\"abs\" href=\"http://ebook/book/chapter2.html\">Two</a></body></html>");
    image.Add("book/chapter2.html", "<!DOCTYPE html><html><body><p>Chapter two text</p></body></html>");
    image.Add("book/caf\xC3\xA9.html", "<!DOCTYPE html><html><body>Caf\xC3\xA9 page</body></html>");
}

class WebKitBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_haveDisplay) GTEST_SKIP() << "no display";
        AddSite(image);
        viewer::pages_ready = true;
        harness = std::make_unique<WebViewHarness>();
        browser().OnCommandStateChange = [this](std::int32_t command, bool enable) {
            (command == viewer::CSC_NAVIGATEBACK ? canGoBack : canGoForward) = enable;
        };
        Serve();
    }
    void TearDown() override {
        harness.reset();
        // Workers may still read the book for a destroyed view's requests.
        EXPECT_TRUE(RunUntil([] { return viewer::webkit::PageWorkInProgress() == 0; }, 60000));
        viewer::pages_ready = false;
    }
    viewer::webkit::WebKitBrowser& browser() { return harness->browser; }
    // Serves the book as it stands now.
    void Serve() { browser().RegisterPageProtocol(image.Open()); }
    std::string BodyText() { return harness->Eval("document.body ? document.body.innerText.trim() : ''"); }
    // Serves the book, shows its front page and searches the whole book for
    // `typed` as Enter in the find dialog does; the dialog, if it opened.
    GtkWidget* SearchBook(const std::string& typed) {
        Serve();
        if (!harness->Load("http://ebook/index.html", "ebook://ebook/index.html")) return nullptr;
        browser().Find();
        GtkWidget* dialog = FindDialogWindow();
        if (!dialog) return nullptr;
        gtk_entry_set_text(GTK_ENTRY(Part(dialog, "find-text")), typed.c_str());
        g_signal_emit_by_name(Part(dialog, "find-text"), "activate");
        return dialog;
    }
    // Clicks a link of the page and waits for the page it leads to.
    bool Follow(const std::string& id, const std::string& expectedUri) {
        const int before = harness->finishedLoads;
        harness->Eval("document.getElementById('" + id + "').click(); 0");
        return harness->WaitForLoad(before, expectedUri);
    }

    BookImage image;
    std::unique_ptr<WebViewHarness> harness;
    bool canGoBack = false;
    bool canGoForward = false;
};

TEST_F(WebKitBrowserTest, ShowsTheFirstPageWithItsStyleSheetAndImage) {
    EXPECT_FALSE(browser().HasDocument());
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    EXPECT_TRUE(browser().HasDocument());
    EXPECT_EQ(harness->Eval("document.getElementById('title').textContent"), "Welcome to the book");
    EXPECT_EQ(harness->Eval("getComputedStyle(document.getElementById('title')).color"), "rgb(200, 0, 0)");
    ASSERT_TRUE(RunUntil([&] { return harness->Eval("document.getElementById('logo').complete") == "true"; }));
    EXPECT_EQ(harness->Eval("document.getElementById('logo').naturalWidth"), "1");
    EXPECT_EQ(harness->Eval("document.contentType"), "text/html");
    EXPECT_FALSE(canGoBack);
    EXPECT_FALSE(canGoForward);
    // The window caption is the host's, never the page title.
    EXPECT_STREQ(gtk_window_get_title(harness->Window()), "Viewer");
}

TEST_F(WebKitBrowserTest, FollowsRelativeLinksAndReportsTheHistoryBothWays) {
    ASSERT_TRUE(harness->Load("HTTP://EBOOK/Index.HTML", "ebook://ebook/Index.HTML"));
    EXPECT_THROW(browser().GoBack(), std::runtime_error);

    ASSERT_TRUE(Follow("next", "ebook://ebook/book/chapter1.html"));
    EXPECT_EQ(harness->Eval("document.getElementById('text').textContent"), "Chapter one text");
    EXPECT_TRUE(RunUntil([&] { return canGoBack; }));
    EXPECT_FALSE(canGoForward);

    int before = harness->finishedLoads;
    browser().GoBack();
    ASSERT_TRUE(harness->WaitForLoad(before, "ebook://ebook/Index.HTML"));
    EXPECT_TRUE(RunUntil([&] { return canGoForward && !canGoBack; }));

    before = harness->finishedLoads;
    browser().GoForward();
    ASSERT_TRUE(harness->WaitForLoad(before, "ebook://ebook/book/chapter1.html"));
    EXPECT_TRUE(RunUntil([&] { return canGoBack && !canGoForward; }));
    EXPECT_THROW(browser().GoForward(), std::runtime_error);

    ASSERT_TRUE(Follow("home", "ebook://ebook/index.html"));
    EXPECT_EQ(harness->Eval("document.getElementById('title').textContent"), "Welcome to the book");
}

TEST_F(WebKitBrowserTest, LoadsAbsolutePageLinksThroughTheEbookScheme) {
    ASSERT_TRUE(harness->Load("http://ebook/book/chapter1.html", "ebook://ebook/book/chapter1.html"));
    ASSERT_TRUE(Follow("abs", "ebook://ebook/book/chapter2.html"));
    EXPECT_EQ(BodyText(), "Chapter two text");

    // A script going to a literal page address is redirected the same way.
    const int before = harness->finishedLoads;
    harness->Eval("location.href = 'http://ebook/book/chapter1.html'; 0");
    ASSERT_TRUE(harness->WaitForLoad(before, "ebook://ebook/book/chapter1.html"));
    EXPECT_EQ(harness->Eval("document.getElementById('text').textContent"), "Chapter one text");
}

// Pages without a declared character set are read as UTF-8.
TEST_F(WebKitBrowserTest, FindsPagesWithNonAsciiNames) {
    ASSERT_TRUE(harness->Load("http://ebook/book/caf\xC3\xA9.html", "ebook://ebook/book/caf%C3%A9.html"));
    EXPECT_EQ(BodyText(), "Caf\xC3\xA9 page");
}

TEST_F(WebKitBrowserTest, AnswersEmptyDocumentsForMissingPagesAndWhileNotServing) {
    ASSERT_TRUE(harness->Load("http://ebook/missing.html", "ebook://ebook/missing.html"));
    EXPECT_EQ(BodyText(), "");
    EXPECT_TRUE(browser().HasDocument());

    viewer::pages_ready = false;
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    EXPECT_EQ(BodyText(), "");

    viewer::pages_ready = true;
    browser().UnregisterPageProtocol();
    ASSERT_TRUE(harness->Load("http://ebook/book/chapter2.html", "ebook://ebook/book/chapter2.html"));
    EXPECT_EQ(BodyText(), "");

    Serve();
    ASSERT_TRUE(harness->Load("http://ebook/book/chapter2.html", "ebook://ebook/book/chapter2.html"));
    EXPECT_EQ(BodyText(), "Chapter two text");
}

TEST_F(WebKitBrowserTest, ServesEveryFileWithTheContentTypeOfItsName) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"style/book.css", "text/css"}, {"images/logo.gif", "image/gif"},
        {"index.html", "text/html"},    {"missing.png", "image/png"},
    };
    for (const auto& [name, type] : files) {
        ASSERT_TRUE(harness->Load("http://ebook/" + name, "ebook://ebook/" + name));
        EXPECT_EQ(harness->Eval("document.contentType"), type) << name;
    }
    // What a script fetches arrives whole, in the page's own origin.
    EXPECT_EQ(harness->EvalAsync("return (await (await fetch('images/logo.gif')).arrayBuffer()).byteLength;"),
              std::to_string(kRedGif.size()));
}

// What fetch() sees of an answer: status, the headers given, and the body's text.
std::string FetchSummary(WebViewHarness& harness, const std::string& name, const std::string& range = "") {
    const std::string options = range.empty() ? "{}" : "{headers: {Range: '" + range + "'}}";
    return harness.EvalAsync("const r = await fetch('" + name + "', " + options + ");"
                             "const h = n => r.headers.get(n) ?? '-';"
                             "return [r.status, h('content-type'), h('content-length'), h('accept-ranges'),"
                             "        h('content-range'), await r.text()].join(' | ');");
}

TEST_F(WebKitBrowserTest, FetchSeesTheTypeAndLengthOfEveryAnswer) {
    image.Add("data.json", "{\"pages\": [1, 2, 3]}");
    image.Add("app.js", "var x = 1;");
    Serve();
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    EXPECT_EQ(FetchSummary(*harness, "data.json"), "200 | application/json | 20 | bytes | - | {\"pages\": [1, 2, 3]}");
    EXPECT_EQ(FetchSummary(*harness, "app.js"), "200 | text/javascript | 10 | bytes | - | var x = 1;");
    EXPECT_EQ(FetchSummary(*harness, "missing.png"), "200 | image/png | 0 | bytes | - | ");
}

TEST_F(WebKitBrowserTest, RangeFetchesGetTheirPartOfWholeAndChunkedPages) {
    image.Add("data.json", "{\"pages\": [1, 2, 3]}");
    // Printable bytes, in chunks of 256 KB over more than one piece a body is read in.
    std::string film(6 << 20, '\0');
    for (std::size_t i = 0; i < film.size(); ++i) film[i] = static_cast<char>('a' + (i * 7 + i / 1000) % 26);
    const ChunkedPage page = MakeChunkedPage(film, 256 << 10);
    page.AppendTo(image.bytes, "film.webm");
    Serve();
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));

    EXPECT_EQ(FetchSummary(*harness, "data.json", "bytes=2-6"),
              "206 | application/json | 5 | bytes | bytes 2-6/20 | pages");
    EXPECT_EQ(FetchSummary(*harness, "film.webm", "bytes=5000000-5000009"),
              "206 | video/webm | 10 | bytes | bytes 5000000-5000009/6291456 | " + film.substr(5000000, 10));
    EXPECT_EQ(FetchSummary(*harness, "film.webm", "bytes=-4"),
              "206 | video/webm | 4 | bytes | bytes 6291452-6291455/6291456 | " + film.substr(film.size() - 4));
    EXPECT_EQ(FetchSummary(*harness, "film.webm", "bytes=6291456-"),
              "416 | video/webm | 0 | bytes | bytes */6291456 | ");

    // The whole chunked page, read through its pieces.
    std::uint32_t hash = 0;
    for (char c : film) hash = hash * 31 + static_cast<unsigned char>(c);
    EXPECT_EQ(harness->EvalAsync("const b = new Uint8Array(await (await fetch('film.webm')).arrayBuffer());"
                                 "let h = 0; for (const x of b) h = (Math.imul(h, 31) + x) >>> 0;"
                                 "return b.length + ' ' + h;"),
              std::to_string(film.size()) + " " + std::to_string(hash));
}

// An inflation bomb takes a worker a while to be refused; the window's main
// loop goes on meanwhile, and the page gets its empty answer. How long the
// refusal takes depends on the host (over 15 s under the sanitizers where
// fresh memory is slow to touch): the test waits for it as long as a minute.
TEST_F(WebKitBrowserTest, TheWindowKeepsRunningWhileAPageIsPrepared) {
    using Clock = std::chrono::steady_clock;
    ZLibEx::SetOutputLimit(256 << 20);
    SimExe::AppendBlock("bomb.html", ZeroBomb(8 << 20), image.bytes);
    Serve();
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    struct Ticks {
        Clock::time_point last = Clock::now();
        Clock::duration longestGap{};
    } ticks;
    const guint source = g_timeout_add(5, +[](gpointer data) -> gboolean {
        auto* t = static_cast<Ticks*>(data);
        t->longestGap = std::max(t->longestGap, Clock::now() - t->last);
        t->last = Clock::now();
        return G_SOURCE_CONTINUE;
    }, &ticks);
    const Clock::time_point asked = Clock::now();
    EXPECT_EQ(harness->EvalAsync("return (await (await fetch('bomb.html')).arrayBuffer()).byteLength;", 60000), "0");
    const Clock::duration waited = Clock::now() - asked;
    g_source_remove(source);
    ZLibEx::SetOutputLimit(0);
    // A window held up by the page would stand still for about the whole wait.
    EXPECT_LT(ticks.longestGap * 4, waited) << "the main loop stood still while the page was prepared";
}

// A view destroyed while its page is prepared: the answer finishes a
// request nobody waits for, and nothing breaks.
TEST_F(WebKitBrowserTest, AnAnswerForADestroyedViewIsHarmless) {
    ZLibEx::SetOutputLimit(256 << 20);
    SimExe::AppendBlock("bomb.html", ZeroBomb(8 << 20), image.bytes);
    Serve();
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    harness->Eval("fetch('bomb.html'); 0");
    ASSERT_TRUE(RunUntil([] { return viewer::webkit::PageWorkInProgress() > 0; }));
    harness = std::make_unique<WebViewHarness>();
    Serve();
    EXPECT_TRUE(RunUntil([] { return viewer::webkit::PageWorkInProgress() == 0; }, 60000));
    ZLibEx::SetOutputLimit(0);
    ASSERT_TRUE(harness->Load("http://ebook/book/chapter2.html", "ebook://ebook/book/chapter2.html"));
    EXPECT_EQ(BodyText(), "Chapter two text");
}

TEST_F(WebKitBrowserTest, LoadsOtherAddressesAsTheyAre) {
    ASSERT_TRUE(harness->Load("about:blank", "about:blank"));
    EXPECT_EQ(harness->Eval("location.protocol"), "about:");
}

TEST_F(WebKitBrowserTest, ContextMenuHookDecidesWhetherTheMenuShows) {
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    auto menuShown = [&] {
        WebKitContextMenu* menu = webkit_context_menu_new();
        GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
        event->button.button = 3;
        event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(browser().Widget())));
        gboolean handled = FALSE;
        g_signal_emit_by_name(harness->View(), "context-menu", menu, event, nullptr, &handled);
        gdk_event_free(event);
        g_object_unref(menu);
        return !handled;
    };
    int calls = 0;
    browser().OnShowContextMenu = [&] { return ++calls, S_OK; };
    EXPECT_FALSE(menuShown());
    browser().OnShowContextMenu = [&] { return ++calls, S_FALSE; };
    EXPECT_TRUE(menuShown());
    EXPECT_EQ(calls, 2);
}

class KeyPressTest : public WebKitBrowserTest {
protected:
    // Sends a key press to the view as the window does; true when it was swallowed.
    bool Press(guint keyval, GdkModifierType state) {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(browser().Widget())));
        event->key.keyval = keyval;
        event->key.state = state;
        event->key.time = GDK_CURRENT_TIME;
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys,
                                              &count) &&
            count > 0)
            event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
        g_free(keys);
        gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
        const gboolean handled = gtk_widget_event(browser().Widget(), event);
        gdk_event_free(event);
        return handled;
    }
    std::string Selection() { return harness->Eval("String(getSelection())"); }
};

TEST_F(KeyPressTest, ShortcutsAndFunctionKeysGoToTheHookAndAreSwallowedOnSok) {
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    int offered = 0;
    browser().OnTranslateAccelerator = [&] { return ++offered, S_OK; };
    EXPECT_TRUE(Press(GDK_KEY_c, GDK_CONTROL_MASK));
    EXPECT_TRUE(Press(GDK_KEY_F5, GdkModifierType(0)));
    EXPECT_TRUE(Press(GDK_KEY_Left, GDK_MOD1_MASK));
    EXPECT_EQ(offered, 3);
    Press(GDK_KEY_x, GdkModifierType(0));
    Press(GDK_KEY_Page_Down, GdkModifierType(0));
    EXPECT_EQ(offered, 3);

    // Swallowed, Ctrl+A selects nothing; handed back, the page acts on it.
    EXPECT_TRUE(Press(GDK_KEY_a, GDK_CONTROL_MASK));
    RunFor(300);
    EXPECT_EQ(Selection(), "");
    browser().OnTranslateAccelerator = [&] { return ++offered, S_FALSE; };
    Press(GDK_KEY_a, GDK_CONTROL_MASK);
    EXPECT_TRUE(RunUntil([&] { return Selection().find("Welcome to the book") != std::string::npos; }, 5000));
    EXPECT_EQ(offered, 5);
}

TEST_F(KeyPressTest, PlainTypingReachesThePage) {
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    int offered = 0;
    browser().OnTranslateAccelerator = [&] { return ++offered, S_OK; };
    gtk_widget_grab_focus(browser().Widget());
    harness->Eval("document.getElementById('field').focus(); 0");
    Press(GDK_KEY_o, GdkModifierType(0));
    Press(GDK_KEY_k, GdkModifierType(0));
    EXPECT_TRUE(RunUntil([&] { return harness->Eval("document.getElementById('field').value") == "ok"; }, 5000));
    EXPECT_EQ(offered, 0);
}

TEST_F(WebKitBrowserTest, FindDialogSearchesThePageAndTellsWhenTextIsMissing) {
    browser().Find();
    EXPECT_EQ(FindDialogWindow(), nullptr) << "no dialog without a document";

    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    browser().Find();
    GtkWidget* dialog = FindDialogWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(gtk_widget_get_visible(dialog));
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), harness->Window());
    GtkWidget* notFound = Part(dialog, "find-not-found");
    ASSERT_NE(notFound, nullptr);

    gtk_entry_set_text(GTK_ENTRY(Part(dialog, "find-text")), "zebra");
    gtk_button_clicked(GTK_BUTTON(Part(dialog, "find-next")));
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_visible(notFound); }, 5000));

    gtk_entry_set_text(GTK_ENTRY(Part(dialog, "find-text")), "WELCOME");
    gtk_button_clicked(GTK_BUTTON(Part(dialog, "find-next")));
    EXPECT_TRUE(RunUntil([&] { return !gtk_widget_get_visible(notFound); }, 5000));

    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Part(dialog, "find-match-case")), TRUE);
    gtk_button_clicked(GTK_BUTTON(Part(dialog, "find-previous")));
    EXPECT_TRUE(RunUntil([&] { return gtk_widget_get_visible(notFound); }, 5000));

    gtk_button_clicked(GTK_BUTTON(Part(dialog, "find-close")));
    EXPECT_FALSE(gtk_widget_get_visible(dialog));
}

namespace {

// The site's pages (or those named) made into a search index block.
void AddSearchIndex(BookImage& image,
                    std::initializer_list<const char*> names = {"index.html", "book/chapter1.html", "book/chapter2.html"}) {
    search::IndexWriter writer;
    const std::shared_ptr<const book::Book> site = image.Open();
    for (const char* name : names) {
        std::string bytes;
        site->ReadBlock(name, bytes);
        writer.Add(name, *search::WordsOfPage(name, bytes));
    }
    image.Add(search::kIndexBlockName, writer.Finish());
}

std::string LabelText(GtkWidget* label) { return gtk_label_get_text(GTK_LABEL(label)); }

}  // namespace

TEST_F(WebKitBrowserTest, WholeBookSearchListsPagesAndOpensOneWithItsHitsHighlighted) {
    AddSearchIndex(image);
    Serve();
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    browser().Find();
    GtkWidget* dialog = FindDialogWindow();
    ASSERT_NE(dialog, nullptr);
    GtkWidget* wholeBook = Part(dialog, "find-whole-book");
    ASSERT_NE(wholeBook, nullptr);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(wholeBook))) << "the default with an index";
    GtkWidget* count = Part(dialog, "search-count");
    GtkWidget* results = Part(dialog, "search-results");

    gtk_entry_set_text(GTK_ENTRY(Part(dialog, "find-text")), "text tw");  // as typed, the last word unfinished
    ASSERT_TRUE(RunUntil([&] { return LabelText(count) == "2 pages found."; }, 5000)) << LabelText(count);
    GtkListBoxRow* first = gtk_list_box_get_row_at_index(GTK_LIST_BOX(results), 0);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(gtk_widget_get_name(GTK_WIDGET(first)), "search-result-0");

    gtk_entry_set_text(GTK_ENTRY(Part(dialog, "find-text")), "zebra");
    EXPECT_TRUE(RunUntil([&] { return LabelText(count) == "No page matches."; }, 5000));
    gtk_entry_set_text(GTK_ENTRY(Part(dialog, "find-text")), "chapter two");
    g_signal_emit_by_name(Part(dialog, "find-text"), "activate");  // Enter: without the typing pause
    ASSERT_TRUE(RunUntil([&] { return LabelText(count) == "2 pages found."; }, 5000)) << LabelText(count);
    const int before = harness->finishedLoads;
    gtk_widget_activate(GTK_WIDGET(gtk_list_box_get_row_at_index(GTK_LIST_BOX(results), 0)));
    ASSERT_TRUE(harness->WaitForLoad(before, "ebook://ebook/book/chapter2.html"));
    EXPECT_TRUE(RunUntil([&] { return harness->Eval("window.getSelection().toString()") == "Chapter"; }, 5000))
        << "the first hit is highlighted and selected";
    EXPECT_TRUE(gtk_widget_get_visible(dialog)) << "the results stay for the next visit";

    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Part(dialog, "find-this-page")), TRUE);
    EXPECT_FALSE(gtk_widget_is_visible(results));
    EXPECT_TRUE(gtk_widget_get_visible(Part(dialog, "find-match-case")));
}

// A name found opens its page scrolled to it, the element itself
// highlighted: not the words (which the page also has further up) by the
// view's find, which would select them and scroll to the first.
TEST_F(WebKitBrowserTest, WholeBookSearchOpensANameFoundAtItsPlaceHighlighted) {
    std::string body;
    for (int i = 0; i < 200; ++i) body += "<p>Paragraph " + std::to_string(i) + " calls os.path.join.</p>";
    image.Add("book/paths.html", "<!DOCTYPE html><html><head><title>Paths</title></head><body>" + body +
                                     "<dl><dt id=\"os.path.join\">os.path.join(path, *paths)</dt><dd>Joins.</dd></dl>" +
                                     body + "</body></html>");
    AddSearchIndex(image, {"index.html", "book/paths.html"});
    GtkWidget* dialog = SearchBook("os.path.join");
    ASSERT_NE(dialog, nullptr);
    GtkWidget* results = Part(dialog, "search-results");
    ASSERT_TRUE(RunUntil([&] { return gtk_list_box_get_row_at_index(GTK_LIST_BOX(results), 0) != nullptr; }, 5000));

    const int before = harness->finishedLoads;
    gtk_widget_activate(GTK_WIDGET(gtk_list_box_get_row_at_index(GTK_LIST_BOX(results), 0)));
    ASSERT_TRUE(harness->WaitForLoad(before, "ebook://ebook/book/paths.html#os.path.join"));
    const std::string place = "document.getElementById('os.path.join')";
    EXPECT_TRUE(RunUntil([&] { return harness->Eval("getComputedStyle(" + place + ").outlineStyle") == "solid"; }, 5000));
    EXPECT_EQ(harness->Eval("(y => y > -1 && y < innerHeight)(" + place + ".getBoundingClientRect().y)"), "true");
    RunFor(300);
    EXPECT_EQ(harness->Eval("String(getSelection())"), "");
}

// Results of any length wrap within the dialog, which never grows past the
// monitor its window is on.
TEST_F(WebKitBrowserTest, TheFindDialogFitsTheScreenWhateverTheResults) {
    std::string words;
    for (int i = 0; i < 30; ++i) words += " " + std::string(90, static_cast<char>('a' + i % 26));
    image.Add("long/words.html", "<!DOCTYPE html><html><body><p>needle" + words + "</p></body></html>");
    image.Add("long/word.html", "<!DOCTYPE html><html><body><p>needle " + std::string(2000, 'q') + "</p></body></html>");
    AddSearchIndex(image, {"long/words.html", "long/word.html"});
    GtkWidget* dialog = SearchBook("needle");
    ASSERT_NE(dialog, nullptr);
    GtkWidget* count = Part(dialog, "search-count");
    ASSERT_TRUE(RunUntil([&] { return LabelText(count) == "2 pages found."; }, 5000)) << LabelText(count);
    RunFor(500);  // the dialog takes its new size

    GdkRectangle screen;
    gdk_monitor_get_workarea(gdk_display_get_monitor_at_window(gtk_widget_get_display(dialog),
                                                               gtk_widget_get_window(GTK_WIDGET(harness->Window()))),
                             &screen);
    EXPECT_LE(gtk_widget_get_allocated_width(dialog), screen.width);
    EXPECT_LE(gtk_widget_get_allocated_height(dialog), screen.height);
    GtkWidget* results = Part(dialog, "search-results");
    for (int i = 0; i < 2; ++i) {
        GtkWidget* row = GTK_WIDGET(gtk_list_box_get_row_at_index(GTK_LIST_BOX(results), i));
        GList* labels = gtk_container_get_children(GTK_CONTAINER(gtk_bin_get_child(GTK_BIN(row))));
        GtkWidget* snippet = GTK_WIDGET(g_list_last(labels)->data);
        g_list_free(labels);
        EXPECT_GE(LabelText(snippet).size(), 2000u) << i;
        EXPECT_LE(gtk_widget_get_allocated_width(snippet), gtk_widget_get_allocated_width(results)) << i << " is cut off";
    }
}

TEST_F(WebKitBrowserTest, ADamagedSearchIndexIsReportedNotFollowed) {
    image.Add(search::kIndexBlockName, "SQLite format 3 and then nothing sound");
    GtkWidget* dialog = SearchBook("chapter");
    ASSERT_NE(dialog, nullptr);
    GtkWidget* count = Part(dialog, "search-count");
    EXPECT_TRUE(RunUntil([&] { return LabelText(count) == "The search index of this eBook is damaged."; }, 5000))
        << LabelText(count);
}

// A system without ICU: the book's pages show and can be searched one at a
// time; the dialog says why the whole book cannot be.
TEST_F(WebKitBrowserTest, WithoutTheTextLibrariesTheDialogSaysWholeBookSearchIsNotAvailable) {
    AddSearchIndex(image);
    Serve();
    const search::FoundLibraries none = search::LookUpTextLibraries({.icu = "libicuuc-absent.so."});
    ASSERT_FALSE(none.libraries);
    search::UseTextLibraries(nullptr, none.whyNone);
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    EXPECT_EQ(harness->Eval("document.getElementById('title').textContent"), "Welcome to the book");
    browser().Find();
    GtkWidget* dialog = FindDialogWindow();
    ASSERT_NE(dialog, nullptr);
    GtkWidget* why = Part(dialog, "find-book-unavailable");
    ASSERT_NE(why, nullptr);
    EXPECT_EQ(LabelText(why),
              "Whole-book search is not available on this system: no ICU library (libicuuc-absent.so.*) was found.");
    EXPECT_EQ(Part(dialog, "find-whole-book"), nullptr);
    gtk_entry_set_text(GTK_ENTRY(Part(dialog, "find-text")), "welcome");
    gtk_button_clicked(GTK_BUTTON(Part(dialog, "find-next")));
    EXPECT_TRUE(RunUntil([&] { return harness->Eval("window.getSelection().toString()") == "Welcome"; }, 5000));

    std::string whyNone;
    const search::TextLibraries* found = search::DefaultTextLibraries(whyNone);
    search::UseTextLibraries(found, whyNone);
    ASSERT_NE(found, nullptr) << whyNone;
}

TEST_F(WebKitBrowserTest, PrintingWithoutAPrinterFailsQuietly) {
    browser().Print();  // no document: nothing
    ASSERT_TRUE(harness->Load("http://ebook/index.html", "ebook://ebook/index.html"));
    GList* before = gtk_window_list_toplevels();
    const guint windowsBefore = g_list_length(before);
    g_list_free(before);

    browser().Print();
    RunFor(1500);
    GList* after = gtk_window_list_toplevels();
    EXPECT_EQ(g_list_length(after), windowsBefore) << "printing opened a window";
    g_list_free(after);
    EXPECT_EQ(harness->Eval("document.getElementById('title').textContent"), "Welcome to the book");
}

}  // namespace
