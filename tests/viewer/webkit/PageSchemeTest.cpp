// The parts of the WebKit binding that need no display: the mapping between
// page URLs and view addresses, content types, answers through TeProtocol
// and the choice of keys offered to the host.
#include "PageScheme.h"
#include "SimExe.h"
#include "WebKitBrowser.h"
#include "eProtocol.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdk.h>
#include <gtest/gtest.h>

using namespace viewer::webkit;

TEST(PageAddressTest, PageUrlsMapToTheEbookSchemeAndBack) {
    EXPECT_EQ(ViewUriOf("http://ebook/index.html"), "ebook://ebook/index.html");
    EXPECT_EQ(ViewUriOf("HTTP://EBook/Book/Chapter1.html?x=1#top"), "ebook://ebook/Book/Chapter1.html?x=1#top");
    EXPECT_EQ(ViewUriOf("http://ebook/"), "ebook://ebook/");
    EXPECT_EQ(ViewUriOf("http://ebookx/page.html"), "http://ebookx/page.html");
    EXPECT_EQ(ViewUriOf("https://ebook/page.html"), "https://ebook/page.html");
    EXPECT_EQ(ViewUriOf("about:blank"), "about:blank");

    EXPECT_EQ(PageUrlOf("ebook://ebook/book/caf%C3%A9.html"), "http://ebook/book/caf%C3%A9.html");
    EXPECT_EQ(PageUrlOf("EBOOK://EBOOK/Index.HTML"), "http://ebook/Index.HTML");
    EXPECT_EQ(PageUrlOf("ebook://ebook"), "http://ebook/");
    EXPECT_EQ(PageUrlOf("ebook://other/index.html"), "");
    EXPECT_EQ(PageUrlOf("ebook://ebookx/index.html"), "");
    EXPECT_EQ(PageUrlOf("http://ebook/index.html"), "");

    EXPECT_TRUE(IsPageUrl("Http://EBOOK/a"));
    EXPECT_FALSE(IsPageUrl("http://ebook"));
    EXPECT_FALSE(IsPageUrl(" http://ebook/a"));
}

TEST(PageAddressTest, ContentTypeFollowsTheExtensionOfTheLastSegment) {
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/index.html"), "text/html");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/INDEX.HTM"), "text/html");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/style/book.Css?v=2"), "text/css");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/app.js#main"), "text/javascript");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/pic.svg"), "image/svg+xml");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/a/b.PNG"), "image/png");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/a.gif"), "image/gif");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/a.jpeg"), "image/jpeg");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/a.jpg"), "image/jpeg");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/font.woff2"), "font/woff2");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/song.mp3"), "audio/mpeg");
    EXPECT_STREQ(ContentTypeOf("ebook://ebook/data.json"), "application/json");

    EXPECT_EQ(ContentTypeOf("ebook://ebook/"), nullptr);
    EXPECT_EQ(ContentTypeOf("ebook://ebook/README"), nullptr);
    EXPECT_EQ(ContentTypeOf("ebook://ebook/book.d/README"), nullptr);  // a dot in a folder name only
    EXPECT_EQ(ContentTypeOf("ebook://ebook/page?file=a.html"), nullptr);
    EXPECT_EQ(ContentTypeOf("ebook://ebook/archive.zzz"), nullptr);
    EXPECT_EQ(ContentTypeOf("ebook://ebook/trailing."), nullptr);
}

class FetchPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimExe::BlockStore() = "viewer image";
        viewer::pages_ready = true;
    }
    void TearDown() override {
        SimExe::BlockStore().clear();
        viewer::pages_ready = false;
    }
};

TEST_F(FetchPageTest, DeliversThePageBytesWhateverTheirSize) {
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
    SimExe::AddStringBlock("book/big.bin", big);
    SimExe::AddStringBlock("index.html", "<p>hi</p>");
    EXPECT_EQ(FetchPage("http://ebook/book/big.bin"), big);
    EXPECT_EQ(FetchPage("http://ebook/INDEX.html"), "<p>hi</p>");
}

TEST_F(FetchPageTest, AnswersEmptyForMissingPagesForeignUrlsAndBeforePagesAreReady) {
    SimExe::AddStringBlock("index.html", "<p>hi</p>");
    EXPECT_EQ(FetchPage("http://ebook/missing.html"), "");
    EXPECT_EQ(FetchPage("http://example.com/index.html"), "");
    viewer::pages_ready = false;
    EXPECT_EQ(FetchPage("http://ebook/index.html"), "");
}

TEST_F(FetchPageTest, FindsPagesWithEncodedNonAsciiNames) {
    SimExe::AddStringBlock("book/caf\xC3\xA9 menu.html", "menu");
    EXPECT_EQ(FetchPage("http://ebook/book/caf%C3%A9%20menu.html"), "menu");
}

TEST(HostKeysTest, OffersShortcutsAndFunctionKeysOnly) {
    EXPECT_TRUE(OffersKeyToHost(GDK_KEY_c, GDK_CONTROL_MASK));
    EXPECT_TRUE(OffersKeyToHost(GDK_KEY_P, GDK_CONTROL_MASK | GDK_SHIFT_MASK));
    EXPECT_TRUE(OffersKeyToHost(GDK_KEY_Left, GDK_MOD1_MASK));
    EXPECT_TRUE(OffersKeyToHost(GDK_KEY_F1, 0));
    EXPECT_TRUE(OffersKeyToHost(GDK_KEY_F5, 0));
    EXPECT_TRUE(OffersKeyToHost(GDK_KEY_F24, GDK_SHIFT_MASK));

    for (unsigned key : {GDK_KEY_a, GDK_KEY_A, GDK_KEY_space, GDK_KEY_Left, GDK_KEY_Down, GDK_KEY_Page_Up,
                         GDK_KEY_Page_Down, GDK_KEY_Home, GDK_KEY_End, GDK_KEY_Tab, GDK_KEY_Return, GDK_KEY_BackSpace,
                         GDK_KEY_Escape})
        EXPECT_FALSE(OffersKeyToHost(key, 0)) << key;
    EXPECT_FALSE(OffersKeyToHost(GDK_KEY_A, GDK_SHIFT_MASK));
    EXPECT_FALSE(OffersKeyToHost(GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK));
    EXPECT_FALSE(OffersKeyToHost(GDK_KEY_F24 + 1, 0));
}
