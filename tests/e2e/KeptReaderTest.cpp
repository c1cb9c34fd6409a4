// End to end: what the real viewer keeps of its reader. A long page read
// to 70 % at 150 %, closed and opened again: as the same file, moved and
// renamed, rebuilt with a page changed, beside another book; a bookmark;
// and a book whose author keeps nothing.
#include "KeyPress.h"
#include "ViewerOnEBook.h"

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

void WriteFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// A book with a long page of numbered paragraphs, in a folder of its own;
// `first` is the first page's text (a rebuild changes it).
std::string CompileLongBook(const std::string& folder, const std::string& first, const std::string& options) {
    WriteFile(folder + "/index.html", "<html><body><p>" + first + "</p><a id=\"long\" href=\"long.html\">on</a></body></html>");
    // A header of the page's own pinned at the top, as documentation pages have.
    std::string page = "<html><head><title>The Long Page</title></head><body>"
                       "<div style=\"position:sticky; top:0; height:40px; background:#ddd\">Pinned</div>";
    for (int i = 0; i < 600; ++i)
        page += "<p>Paragraph " + std::to_string(i) + ": words enough to wrap round once or twice in a window of "
                "ordinary width, so that the page is long and its lines move when it is zoomed.</p>";
    WriteFile(folder + "/long.html", page + "</body></html>");
    const std::string ebook = folder + ".exe";
    const std::string command = "'" ZORBIN_COMPILER "' build '" + folder + "' --first-page index.html -q " + options +
                                " -o '" + ebook + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return ebook;
}

class KeptReader : public ViewerOnEBook {
protected:
    std::string EBook() override {
        static const std::string path = CompileLongBook(books / "site", "Welcome", "");
        return path;
    }
    void Press(guint keyval, GdkModifierType state = GDK_CONTROL_MASK) { PressKey(toolkit::gtk::WidgetOf(*form), keyval, state); }

    // Goes to the long page, zooms to 150 % with the keys and reads to 70 % of it.
    void ReadFar() {
        ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
        Eval("document.getElementById('long').click()");
        ASSERT_TRUE(WaitFor("ebook://ebook/long.html"));
        for (int i = 0; i < 3; ++i) Press(GDK_KEY_plus);
        ASSERT_DOUBLE_EQ(webkit_web_view_get_zoom_level(view), 1.5);
        Eval("window.scrollTo(0, 0.7 * (document.documentElement.scrollHeight - innerHeight))");
        RunFor(800);  // the place is told after a pause in the scrolling
        top = TopParagraph();
    }
    // The first paragraph that shows at the top of the view, and how far
    // above the view's top it begins, in lines (negative: below the top).
    std::pair<std::string, double> TopParagraph() {
        const std::string probe =
            "(() => { const e = Array.from(document.querySelectorAll('p')).find((p) => p.getBoundingClientRect().bottom > 0);"
            " const line = parseFloat(getComputedStyle(e).fontSize) * 1.2;"
            " return e.textContent.split(':')[0] + '|' + String(-e.getBoundingClientRect().top / line); })()";
        const std::string found = Eval(probe);
        const std::size_t cut = found.find('|');
        return {found.substr(0, cut), std::atof(found.c_str() + cut + 1)};
    }
    // Opens a book and waits for the long page, where the reader left it.
    void ExpectTheSamePlace(const std::string& path) {
        CloseBook();
        OpenBook(path);
        ASSERT_TRUE(WaitFor("ebook://ebook/long.html"));
        EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(view), 1.5);
        std::pair<std::string, double> now;
        EXPECT_TRUE(RunUntil([&] {
            now = TopParagraph();
            return now.first == top.first && std::fabs(now.second - top.second) < 1;
        })) << "left at " << top.first << " (" << top.second << " lines above the top), opened at " << now.first
            << " (" << now.second << ")";
        std::printf("  place left: %s, %.2f lines above the view's top; reopened: %s, %.2f\n", top.first.c_str(),
                    top.second, now.first.c_str(), now.second);
    }
    std::vector<std::string> StateFiles() {
        std::vector<std::string> names;
        if (std::filesystem::exists(stateHome / "zorbin-ebook"))
            for (const auto& entry : std::filesystem::directory_iterator(stateHome / "zorbin-ebook"))
                names.push_back(entry.path().filename());
        return names;
    }

    inline static TempDir books;
    std::pair<std::string, double> top;
};

}  // namespace

TEST_F(KeptReader, ReopensAtTheSameParagraphAndZoomAlsoMovedRenamedAndRebuilt) {
    ReadFar();
    EXPECT_NE(top.first, "Paragraph 0");
    ExpectTheSamePlace(EBook());

    // The same book moved and renamed.
    std::filesystem::create_directories(books / "moved");
    std::filesystem::copy_file(EBook(), books / "moved/renamed.exe", std::filesystem::copy_options::overwrite_existing);
    ExpectTheSamePlace(books / "moved/renamed.exe");

    // Rebuilt with its first page changed.
    ExpectTheSamePlace(CompileLongBook(books / "site", "Welcome back", ""));

    // Another book beside it opens at its own first page, at its pages' own size.
    CloseBook();
    OpenBook(ExampleEBook());
    EXPECT_TRUE(WaitFor("ebook://ebook/index.html"));
    EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(view), 1);
}

TEST_F(KeptReader, ControlWithTheWheelZoomsAndTheWheelAloneScrolls) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    const auto turn = [&](GdkScrollDirection direction, GdkModifierType state) {
        GdkEvent* event = gdk_event_new(GDK_SCROLL);
        event->scroll.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(view))));
        event->scroll.direction = direction;
        event->scroll.state = state;
        event->scroll.x = event->scroll.y = 10;
        gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
        gtk_widget_event(GTK_WIDGET(view), event);
        gdk_event_free(event);
    };
    turn(GDK_SCROLL_UP, GDK_CONTROL_MASK);
    EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(view), 1.1);
    turn(GDK_SCROLL_DOWN, GDK_CONTROL_MASK);
    turn(GDK_SCROLL_DOWN, GDK_CONTROL_MASK);
    EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(view), 0.9);
    turn(GDK_SCROLL_DOWN, GdkModifierType(0));
    EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(view), 0.9) << "without Control the page scrolls";
}

TEST_F(KeptReader, ABookmarkOpensItsPlace) {
    ReadFar();
    Press(GDK_KEY_d);
    ASSERT_TRUE(RunUntil([&] { return form->SidePane->Visible(); }));
    ASSERT_EQ(form->BookmarksList->Items()->Count({}), 1u);
    EXPECT_EQ(form->BookmarksList->Items()->Title({0}), "The Long Page");
    form->SpeedButton4->Click();  // Home
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    form->BookmarksList->Activate({0});
    ASSERT_TRUE(WaitFor("ebook://ebook/long.html"));
    EXPECT_TRUE(RunUntil([&] { return TopParagraph().first == top.first; })) << TopParagraph().first;
}

TEST_F(KeptReader, TheAuthorsChoiceOffKeepsNothing) {
    CloseBook();
    const std::vector<std::string> before = StateFiles();  // the first book's window, kept at its close
    OpenBook(CompileLongBook(books / "nokeep", "Welcome", "--no-reopen"));
    ReadFar();
    Press(GDK_KEY_d);
    CloseBook();
    EXPECT_EQ(StateFiles(), before);
    OpenBook(books / "nokeep.exe");
    EXPECT_TRUE(WaitFor("ebook://ebook/index.html"));
    EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(view), 1);
}

TEST_F(KeptReader, NothingIsWrittenWhileTheReaderDoesNothing) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    RunFor(2000);
    EXPECT_TRUE(StateFiles().empty()) << "opened at the first page's top, as it opens anyway";
    ReadFar();
    RunFor(1500);
    ASSERT_EQ(StateFiles().size(), 1u);
    const std::string file = stateHome / "zorbin-ebook" + "/" + StateFiles()[0];
    CloseBook();
    const auto written = std::filesystem::last_write_time(file);
    OpenBook(EBook());
    ASSERT_TRUE(WaitFor("ebook://ebook/long.html"));
    RunFor(2500);
    CloseBook();
    EXPECT_EQ(std::filesystem::last_write_time(file), written) << "reopened, shown and closed: nothing changed";
}
