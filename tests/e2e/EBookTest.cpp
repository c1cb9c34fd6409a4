// End to end: the real compiler builds the example book from the command
// line, and the eBook it wrote is read by the viewer's own window code in a
// real WebKit view, and started as a program of its own.
#include "ViewerOnEBook.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

TEST_F(ViewerOnEBook, FirstPageWithItsStyleAndPictureThenLinksAndHistory) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(toolkit::gtk::WidgetOf(*form))), "A Small Guide to Tea");
    EXPECT_EQ(Eval("document.querySelector('h1').textContent"), "A Small Guide to Tea");
    EXPECT_EQ(Eval("getComputedStyle(document.querySelector('h1')).color"), "rgb(107, 62, 31)");
    EXPECT_EQ(Eval("document.querySelector('header img').naturalWidth"), "96");
    EXPECT_FALSE(form->SpeedButton1->Enabled());

    Eval("document.querySelector('a[href=\"chapters/brewing.html\"]').click()");
    ASSERT_TRUE(WaitFor("ebook://ebook/chapters/brewing.html"));
    EXPECT_EQ(Eval("document.querySelector('h1').textContent"), "Brewing a good cup");
    EXPECT_EQ(Eval("document.querySelector('figure img').naturalWidth"), "360");
    EXPECT_TRUE(RunUntil([&] { return form->SpeedButton1->Enabled(); }));
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(toolkit::gtk::WidgetOf(*form))), "A Small Guide to Tea");

    form->SpeedButton1->Click();
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    EXPECT_TRUE(RunUntil([&] { return form->SpeedButton2->Enabled(); }));
}

TEST_F(ViewerOnEBook, MissingPageIsAnsweredEmpty) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    form->webbrowser1->Browser().Navigate("http://ebook/chapters/missing.html");
    ASSERT_TRUE(WaitFor("ebook://ebook/chapters/missing.html"));
    EXPECT_EQ(Eval("document.body ? document.body.textContent : ''"), "");
}

namespace {

// Files named with what no URL carries as it is, and a first page that links
// to each of them as a page writes a link: with escapes, and also plainly
// where the web view escapes the name itself.
class ViewerOnOddNames : public ViewerOnEBook {
protected:
    static const std::vector<std::pair<std::string, std::string>>& Links() {
        static const std::vector<std::pair<std::string, std::string>> links = {
            {"with space.html", "with%20space.html"},  {"with space.html", "with space.html"},
            {"hash#1.html", "hash%231.html"},          {"100%.html", "100%25.html"},
            {"what?.html", "what%3F.html"},            {"latin1-\xE9.txt", "latin1-%E9.txt"},
            {"sch\xC3\xB6n.html", "sch%C3%B6n.html"},    {"sch\xC3\xB6n.html", "sch\xC3\xB6n.html"},
            {"line\nbreak.html", "line%0Abreak.html"}, {"sub dir/a&b=c;d+e.css", "sub%20dir/a%26b%3Dc%3Bd%2Be.css"},
            {"back\\slash.html", "back%5Cslash.html"},
        };
        return links;
    }
    std::string EBook() override {
        static const std::string path = [] {
            static TempDir site, out;
            std::string page = "<html><head><meta charset=utf-8></head><body><p>home</p>";
            for (std::size_t i = 0; i < Links().size(); ++i) {
                site.Write(Links()[i].first, "page of " + std::to_string(i) + "/");
                page += "<a data-n=" + std::to_string(i) + " href=\"" + Links()[i].second + "\">" + std::to_string(i) + "</a>";
            }
            site.Write(kHome, page + "</body></html>");
            const std::string ebook = out / "odd.exe";
            const std::string command = "'" ZORBIN_COMPILER "' build '" + site.path() + "' --first-page '" + kHome +
                                        "' -q -o '" + ebook + "'";
            EXPECT_EQ(std::system(command.c_str()), 0);
            return ebook;
        }();
        return path;
    }
    static constexpr const char* kHome = "home #1?.html";
};

}  // namespace

TEST_F(ViewerOnOddNames, FirstPageAndEveryLinkedNameAreServed) {
    ASSERT_TRUE(WaitFor("ebook://ebook/home%20%231%3F.html"));
    EXPECT_EQ(Eval("document.querySelector('p').textContent"), "home");
    const std::string fetched = EvalIn(view,
                                       "const got = [];"
                                       "for (const a of document.querySelectorAll('a'))"
                                       "  got.push(await (await fetch(a.href)).text());"
                                       "return got.join('');",
                                       true);
    std::string expected;
    for (std::size_t i = 0; i < Links().size(); ++i) {
        // Several links may lead to one file; each file holds its last link's number.
        std::size_t last = Links().size() - 1;
        while (Links()[last].first != Links()[i].first) --last;
        expected += "page of " + std::to_string(last) + "/";
    }
    EXPECT_EQ(fetched, expected);

    Eval("document.querySelector('a[data-n=\"2\"]').click()");
    ASSERT_TRUE(WaitFor("ebook://ebook/hash%231.html"));
    EXPECT_EQ(Eval("document.body.textContent"), "page of 2/");
}

// Starts `program` alone and waits until a window whose title holds
// `title` is on the display, the program still running; then ends it.
void ExpectWindowOfItsOwn(const std::string& program, const std::string& title) {
    pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    bool shown = RunUntil(
        [&] { return ShellOutput("xwininfo -root -tree").find("\"" + title) != std::string::npos; }, 20000);
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << program << " ended by itself";
    ::kill(pid, SIGTERM);
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(shown) << program;
}

TEST(EBookProgram, StartsItsWindowUnderItsTitle) {
    if (!g_haveDisplay) GTEST_SKIP() << "no display";
    const std::string title = "The tea guide, started as a program of its own";
    ExpectWindowOfItsOwn(CompileExample(title), title + "\"");
}

// The compiler's window comes from the module inside its file.
TEST(CompilerProgram, OpensItsWizardWindow) {
    if (!g_haveDisplay) GTEST_SKIP() << "no display";
    ExpectWindowOfItsOwn(ZORBIN_COMPILER, "Zorbin eBook Compiler - v");
}

TEST(EBookProgram, WithoutADisplaySaysSoAndFails) {
    const std::string err = ShellOutput("env -u DISPLAY -u WAYLAND_DISPLAY '" + ExampleEBook() + "' 2>&1; echo \"rc=$?\"");
    EXPECT_NE(err.find("cannot open a display"), std::string::npos) << err;
    EXPECT_NE(err.find("rc=1"), std::string::npos) << err;
}
