// A page opened at a named element in the real web view: the view scrolls to
// the element, and the element, or what stands for it, is highlighted
// without moving anything or selecting text, whatever the page's scripts do.
#include "AnchorHighlight.h"
#include "BookImage.h"
#include "PageScheme.h"
#include "WebViewHarness.h"

#include <gtest/gtest.h>

namespace {

using viewer::webkit::HighlightAnchor;
using viewer::webkit::LoadAtAnchor;

constexpr char kPage[] = "ebook://ebook/guide/long.html";

std::string Filler(int from) {
    std::string text;
    for (int i = from; i < from + 120; ++i)
        text += "<p>Paragraph " + std::to_string(i) + " tells of os.path.join and of the section.</p>";
    return text;
}

// A long page with named elements far down: an id on a <dt> (with a style of
// its own), an empty <a name> marker, a section, and an empty <span id>
// before a list of terms. Its script takes away what a script in the page's
// own world would use.
std::string LongPage() {
    return "<!DOCTYPE html><html><head><script>"
           "document.getElementById = () => null; document.getElementsByName = () => [];"
           "window.zorbinAnchorHighlight = 'the page\\'s own';"
           "</script></head><body>" +
           Filler(0) + "<dl><dt id=\"os.path.join\" style=\"color: navy\">os.path.join(path, *paths)</dt><dd>Joins.</dd></dl>" +
           Filler(200) + "<a name=\"caf\xC3\xA9 marker\"></a><p id=\"after-marker\">After the marker</p>" +
           Filler(400) + "<section id=\"sec\"><h2 id=\"sec-heading\">Section heading</h2><p>Its text</p></section>" +
           Filler(600) + "<span id=\"index-7\"></span><dl><dt id=\"split\">os.path.split(path)</dt><dd>Splits.</dd></dl>" +
           Filler(800) + "</body></html>";
}

class AnchorHighlightTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_haveDisplay) GTEST_SKIP() << "no display";
        image.Add("guide/long.html", LongPage());
        image.Add("guide/other.html", "<!DOCTYPE html><html><body><p>Another page</p></body></html>");
        viewer::pages_ready = true;
        harness = std::make_unique<WebViewHarness>();
        harness->browser.RegisterPageProtocol(image.Open());
        ASSERT_TRUE(harness->Load("http://ebook/guide/other.html", "ebook://ebook/guide/other.html"));
    }
    void TearDown() override {
        harness.reset();
        EXPECT_TRUE(RunUntil([] { return viewer::webkit::PageWorkInProgress() == 0; }, 60000));
        viewer::pages_ready = false;
    }

    // Opens the long page, from another, at `anchor`.
    bool OpenAt(const std::string& anchor, const std::string& expectedUri) {
        const int before = harness->finishedLoads;
        if (LoadAtAnchor(harness->View(), kPage, anchor)) return false;
        return harness->WaitForLoad(before, expectedUri);
    }
    // A script's value about the element with `id`, called `e` in it.
    std::string Of(const std::string& id, const std::string& expression) {
        return harness->Eval("(() => { const e = document.querySelector('[id=\"" + id + "\"]'); return " + expression +
                             "; })()");
    }
    bool Highlighted(const std::string& id) {
        return Of(id, "getComputedStyle(e).outlineStyle + ' ' + getComputedStyle(e).backgroundColor") ==
               "solid rgb(255, 236, 120)";
    }
    // Its top within the view (a fraction of a pixel above counts).
    bool InView(const std::string& id) {
        return Of(id, "e.getBoundingClientRect().top > -1 && e.getBoundingClientRect().top < innerHeight") == "true";
    }
    // Where everything on the page lies.
    std::string Layout() {
        return harness->Eval("[...document.body.querySelectorAll('dt, p, h2')]"
                             ".map(e => { const r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })"
                             ".join(';') + ' / ' + document.body.scrollHeight");
    }

    BookImage image;
    std::unique_ptr<WebViewHarness> harness;
};

TEST_F(AnchorHighlightTest, OpensScrolledToTheNamedElementAndHighlightsWhatStandsForIt) {
    struct Case {
        std::string anchor, uri, highlighted, notHighlighted;
    };
    const Case cases[] = {
        {"os.path.join", std::string(kPage) + "#os.path.join", "os.path.join", ""},
        {"caf\xC3\xA9 marker", std::string(kPage) + "#caf%C3%A9%20marker", "after-marker", ""},
        {"sec", std::string(kPage) + "#sec", "sec-heading", "sec"},
        {"index-7", std::string(kPage) + "#index-7", "split", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.anchor);
        ASSERT_TRUE(harness->Load("http://ebook/guide/other.html", "ebook://ebook/guide/other.html"));
        ASSERT_TRUE(OpenAt(c.anchor, c.uri));
        EXPECT_NE(harness->Eval("scrollY"), "0");
        const std::string layout = Layout();

        HighlightAnchor(harness->View(), c.anchor);
        ASSERT_TRUE(RunUntil([&] { return Highlighted(c.highlighted); }, 5000));
        EXPECT_TRUE(InView(c.highlighted));
        if (!c.notHighlighted.empty()) {
            EXPECT_FALSE(Highlighted(c.notHighlighted));
        }
        EXPECT_EQ(harness->Eval("document.querySelectorAll('[style*=\"outline\"]').length"), "1");
        EXPECT_EQ(Layout(), layout) << "the highlight moved something";
        EXPECT_EQ(harness->Eval("String(getSelection())"), "") << "the highlight selected text";
        EXPECT_EQ(harness->Eval("window.zorbinAnchorHighlight"), "the page's own");
    }
}

// Going to another element of the page shown only scrolls, with no load;
// the highlight moves there, and the element left gets its own style back.
TEST_F(AnchorHighlightTest, AnotherElementOfThePageShownTakesTheHighlight) {
    ASSERT_TRUE(OpenAt("os.path.join", std::string(kPage) + "#os.path.join"));
    HighlightAnchor(harness->View(), "os.path.join");
    ASSERT_TRUE(RunUntil([&] { return Highlighted("os.path.join"); }, 5000));

    const int loads = harness->finishedLoads;
    ASSERT_TRUE(LoadAtAnchor(harness->View(), kPage, "sec"));
    HighlightAnchor(harness->View(), "sec");
    EXPECT_TRUE(RunUntil([&] { return Highlighted("sec-heading") && InView("sec-heading"); }, 5000));
    EXPECT_FALSE(Highlighted("os.path.join"));
    EXPECT_EQ(Of("os.path.join", "e.getAttribute('style')"), "color: navy;");
    RunFor(300);
    EXPECT_EQ(harness->finishedLoads, loads);
    EXPECT_TRUE(InView("sec-heading"));

    // The same address again is a new load of the page.
    EXPECT_FALSE(LoadAtAnchor(harness->View(), kPage, "sec"));
    EXPECT_TRUE(harness->WaitForLoad(loads, std::string(kPage) + "#sec"));
}

}  // namespace
