// The parts of the WebKit binding that need no display: the mapping between
// page URLs and view addresses, the answers' body streams, and the choice of
// keys offered to the host.
#include "BookImage.h"
#include "ChunkedPage.h"
#include "PageScheme.h"
#include "SimExe.h"
#include "WebKitBrowser.h"
#include "ZLibEx.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdk.h>
#include <gio/gio.h>
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

// The body stream of a chunked page whose second chunk is damaged: reading
// it, or reading it cancelled, ends with an error instead of bytes.
TEST(BodyStreamTest, ADamagedPieceOrACancelEndsTheStreamWithAnError) {
    BookImage image;
    std::string content(3 << 20, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251 + i / 100000);
    ChunkedPage page = MakeChunkedPage(content, 1 << 20);
    page.payload[page.index.chunks[1].payloadOffset + 100] ^= 0x55;
    page.AppendTo(image.bytes, "film.webm");
    GCancellable* cancelled = g_cancellable_new();
    g_cancellable_cancel(cancelled);
    for (auto [cancellable, code] : {std::pair{(GCancellable*)nullptr, G_IO_ERROR_FAILED}, {cancelled, G_IO_ERROR_CANCELLED}}) {
        GInputStream* stream = BodyStreamOf(viewer::AnswerPageRequest(image.Open(), {"http://ebook/film.webm", "bytes=100-", true}));
        char buffer[8192];
        GError* error = nullptr;
        EXPECT_EQ(g_input_stream_read(stream, buffer, sizeof buffer, cancellable, &error), -1);
        EXPECT_TRUE(g_error_matches(error, G_IO_ERROR, code)) << (error ? error->message : "no error");
        g_clear_error(&error);
        g_object_unref(stream);
    }
    g_object_unref(cancelled);
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
