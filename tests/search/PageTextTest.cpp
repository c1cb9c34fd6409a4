// The text of a page: the character set it is read in, what of an HTML page
// is its title, headings and body, and pages no reader should trip over.
#include "PageText.h"
#include "Utf8.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace search {

namespace {

using namespace std::string_literals;

// glibc's own UTF-8 decoder as the judge of the unit's output.
bool IsUtf8(const std::string& text) {
    const iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    std::vector<char> out(text.size() * 4 + 16);
    char* in = const_cast<char*>(text.data());
    char* to = out.data();
    std::size_t inLeft = text.size(), toLeft = out.size();
    const bool converted = iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return converted && inLeft == 0;
}

std::string Repeat(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

const std::string kNihongoSjis = "\x93\xFA\x96\x7B\x8C\xEA";  // "日本語" in Shift_JIS

}  // namespace

TEST(PageTextCharset, ByteOrderMarksComeBeforeAnyDeclaration) {
    EXPECT_EQ(CharsetOf("\xEF\xBB\xBF<meta charset=shift_jis>", PageKind::kHtml), "UTF-8");
    EXPECT_EQ(CharsetOf("\xFF\xFE<\0m\0", PageKind::kHtml), "UTF-16LE");
    EXPECT_EQ(CharsetOf("\xFE\xFF\0<\0m", PageKind::kText), "UTF-16BE");

    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string_view("Gr\xFC\xDF" "e\nzwei")) utf16 += {c, '\0'};
    const PageText page = TextOfPlainText(utf16);
    EXPECT_EQ(page.title, "Grüße");
    EXPECT_EQ(page.body, "Grüße\nzwei");
}

TEST(PageTextCharset, MetaDeclarationsAreFoundAsBrowsersFindThem) {
    const auto html = [](std::string_view bytes) { return CharsetOf(bytes, PageKind::kHtml); };
    EXPECT_EQ(html("<html><head><meta charset=\"Shift_JIS\">"), "CP932");
    EXPECT_EQ(html("<META  CHARSET = ' sjis ' />"), "CP932");
    EXPECT_EQ(html("<meta charset=x-sjis>"), "CP932");
    EXPECT_EQ(html("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"), "WINDOWS-1252");
    EXPECT_EQ(html("<meta content='text/html;charset=EUC-JP' http-equiv='content-type'>"), "EUC-JP");
    EXPECT_EQ(html("<meta charset=latin1>"), "WINDOWS-1252");
    EXPECT_EQ(html("<meta charset=us-ascii>"), "WINDOWS-1252");
    EXPECT_EQ(html("<meta charset=gb2312>"), "GB18030");
    EXPECT_EQ(html("<meta charset=euc-kr>"), "CP949");
    EXPECT_EQ(html("<meta charset=koi8-r>"), "KOI8-R");
    // UTF-16 declared in bytes that are not UTF-16 is read as UTF-8.
    EXPECT_EQ(html("<meta charset=utf-16>\xE9"), "UTF-8");
    // Not declarations: content without http-equiv, an unknown name, a
    // <meta> inside a comment or an attribute value, one past 1024 bytes.
    EXPECT_EQ(html("<meta content=\"text/html; charset=koi8-r\">"), "UTF-8");
    EXPECT_EQ(html("<meta charset=klingon><p>caf\xC3\xA9"), "UTF-8");
    EXPECT_EQ(html("<!-- <meta charset=koi8-r> --><div title='<meta charset=koi8-r>'>\xE9"), "WINDOWS-1252");
    EXPECT_EQ(html(Repeat(" ", 1024) + "<meta charset=koi8-r>"), "UTF-8");
    // Text pages declare nothing; an XHTML page may in its XML declaration.
    EXPECT_EQ(CharsetOf("<meta charset=koi8-r>", PageKind::kText), "UTF-8");
    EXPECT_EQ(html("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><html>"), "CP932");
}

TEST(PageTextCharset, UndeclaredBytesAreUtf8WhenValidElseWindows1252) {
    EXPECT_EQ(CharsetOf("<p>caf\xC3\xA9 \xE6\x97\xA5</p>", PageKind::kHtml), "UTF-8");
    EXPECT_EQ(CharsetOf("", PageKind::kHtml), "UTF-8");
    EXPECT_EQ(CharsetOf("\x93quoted\x94", PageKind::kText), "WINDOWS-1252");
    EXPECT_EQ(CharsetOf("\xED\xA0\x80", PageKind::kText), "WINDOWS-1252");  // an encoded surrogate
    EXPECT_EQ(CharsetOf("\xC0\xAF", PageKind::kText), "WINDOWS-1252");      // an overlong "/"

    EXPECT_EQ(TextOfHtml("<p>\x93quoted\x94</p>").body, "“quoted”");
    EXPECT_EQ(TextOfPlainText("caf\xE9").body, "café");
}

TEST(PageTextDecoding, PagesAreReadInTheirDeclaredCharset) {
    // The converted text is not read again in the charset its <meta> names.
    const PageText japanese =
        TextOfHtml("<meta charset=shift_jis><title>" + kNihongoSjis + "</title><p>C:\\dir \x87\x40</p>");
    EXPECT_EQ(japanese.title, "日本語");
    EXPECT_EQ(japanese.body, "C:\\dir ①");  // as windows-31j: a backslash, and NEC's circled one

    EXPECT_EQ(TextOfHtml("<meta http-equiv=Content-Type content='text/html; charset=windows-1252'><p>caf\xE9</p>")
                  .body,
              "café");
    EXPECT_EQ(TextOfHtml("<meta charset=iso-8859-1><p>\x80 5</p>").body, "€ 5");
}

TEST(PageTextDecoding, BytesNotInTheCharsetBecomeReplacementCharacters) {
    EXPECT_EQ(TextOfHtml("<meta charset=utf-8><p>a\xFF" "b\xE6\x97</p>").body, "a\uFFFDb\uFFFD\uFFFD");
    EXPECT_EQ(TextOfHtml("<meta charset=shift_jis><p>" + kNihongoSjis.substr(0, 3)).body, "日\uFFFD");
    // An unpaired surrogate costs one UTF-16 unit, not the alignment of the rest.
    const std::string utf16 = "\xFF\xFE" "A\0\x00\xD8" "B\0C\0"s;
    EXPECT_EQ(TextOfPlainText(utf16).body, "A\uFFFDBC");
    // ISO-2022-JP shifts state; a cut-off escape must not stop the text.
    const PageText shifted = TextOfHtml("<meta charset=iso-2022-jp><p>\x1B$BF|\x1B(B ok \x1B$");
    EXPECT_TRUE(shifted.body.starts_with("日 ok")) << shifted.body;
    EXPECT_TRUE(IsUtf8(shifted.body));
}

// Clean UTF-8 is read where it lies; whatever CleanUtf8 would change in
// it (a NUL, a byte that starts no sequence, a cut-off sequence) is not.
TEST(PageTextDecoding, OnlyBytesThatNeedNoCleaningAreReadAsTheyAre) {
    for (const std::string& bytes : {"plain ascii"s, "caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80"s, "\xEF\xBB\xBF" "bom"s, ""s,
                                     "a\0b"s, "a\xFF"s, "a\xE6\x97"s, "\xED\xA0\x80"s, "\xEF\xBB\xBF\xC0\x80"s}) {
        const std::string clean = CleanUtf8(bytes);
        const std::optional<std::string_view> asTheyAre = AlreadyCleanUtf8(bytes);
        const std::string_view withoutBom =
            std::string_view(bytes).substr(std::string_view(bytes).starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
        EXPECT_EQ(asTheyAre.has_value(), clean == withoutBom) << bytes;
        if (asTheyAre) {
            EXPECT_EQ(*asTheyAre, clean) << bytes;
        }
    }
    EXPECT_EQ(TextOfHtml("\xEF\xBB\xBF<title>T\xC3\xA9</title><p>caf\xC3\xA9</p>").body, "café");
}

TEST(PageTextHtml, TitleIsTheTitleElementElseTheFirstHeading) {
    const PageText page = TextOfHtml(
        "<html><head><title>\n  The   <b>Title</b>\n</title></head><body>"
        "<h1>One</h1><p>text</p><h2>Two <i>parts</i></h2><h3> </h3><h4><img alt=Logo></h4></body></html>");
    EXPECT_EQ(page.title, "The <b>Title</b>") << "a title holds text only, as browsers read it";
    EXPECT_EQ(page.headings, (std::vector<std::string>{"One", "Two parts", "Logo"}));
    EXPECT_EQ(page.body, "One\ntext\nTwo parts\nLogo");

    EXPECT_EQ(TextOfHtml("<p>intro</p><h2>First</h2><h1>Second</h1>").title, "First");
    EXPECT_EQ(TextOfHtml("<title> </title><h3>Fallback</h3>").title, "Fallback");
    EXPECT_EQ(TextOfHtml("<p>no heading</p>").title, "");
}

TEST(PageTextHtml, WhatBrowsersDoNotShowIsLeftOut) {
    const PageText page = TextOfHtml(
        "<head><style>p { color: red }</style><script>var secret = 1;</script></head><body>"
        "<p>shown</p><!-- comment --><?pi instruction?><template><p>template</p></template>"
        "<noscript>noscript</noscript><script>document.write('written')</script>"
        "<div hidden>hidden</div><iframe>frame</iframe><p>end</p></body>");
    EXPECT_EQ(page.body, "shown\nend");
}

TEST(PageTextHtml, BlocksSeparateWordsAndInlineMarkupDoesNot) {
    EXPECT_EQ(TextOfHtml("<p>w<b>or</b>d <a href=x>li<span>nk</span></a></p>").body, "word link");
    EXPECT_EQ(TextOfHtml("<div>one</div><div>two<br>three</div><ul><li>a<li>b</ul>").body, "one\ntwo\nthree\na\nb");
    EXPECT_EQ(TextOfHtml("<table><tr><td>cell</td><td>next</td></tr></table>").body, "cell\nnext");
    EXPECT_EQ(TextOfHtml("<p>  spaced \t\n out&nbsp;&nbsp;text  </p>").body, "spaced out text");
    EXPECT_EQ(TextOfHtml("<p>a b  c&nbsp;d e\te f \xC2\xA9 g\xC2\xA0h i </p><p> j</p>").body,
              "a b c d e e f \xC2\xA9 g h i\nj")
        << "single spaces between words, runs of spaces, a sign that starts as a no-break space does";
    EXPECT_EQ(TextOfHtml("<pre>line one\n  line two</pre>").body, "line one\nline two");
    EXPECT_EQ(TextOfHtml("<p>caf&eacute; caf&#233; caf&#xE9; &lt;tag&gt; &amp;</p>").body,
              "café café café <tag> &");
    EXPECT_EQ(TextOfHtml("<p>before<img src=a.png alt='the alt'>after<input type=image alt=Go>"
                         "<input value=no alt=no></p><map><area alt=Area></map>")
                  .body,
              "before the alt after Go\nArea");
    EXPECT_EQ(TextOfHtml("<p>x<![CDATA[kept]]>y</p><svg><text><![CDATA[drawn]]></text></svg>").body, "xkepty\ndrawn");
}

TEST(PageTextHtml, BrokenAndHostilePagesGiveWhatCanBeRead) {
    EXPECT_EQ(TextOfHtml("").body, "");
    EXPECT_EQ(TextOfHtml("<p>a\0b</p>\0<p>c"s).body, "ab\nc");
    EXPECT_EQ(TextOfHtml("<p>open <b>bold <i>both</p><div>after <!-- open").body, "open bold both\nafter");
    EXPECT_TRUE(TextOfHtml("<<p>>&&;<</p").body.ends_with(">&&;<"));

    // Elements left open by the thousand still give all the text.
    EXPECT_EQ(TextOfHtml(Repeat("<font>", 1000) + "deep</font><p>after</p>").body, "deep\nafter");
    // Nesting of 100000 must not take the stack.
    EXPECT_EQ(TextOfHtml(Repeat("<div>", 100000) + "bottom" + Repeat("</div>", 100000) + "<p>end</p>").body,
              "bottom\nend");

    std::mt19937 random(7);
    std::string garbage(1 << 16, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    for (const std::string& bytes : {garbage, "<meta charset=shift_jis>" + garbage, "\xFF\xFE" + garbage}) {
        EXPECT_TRUE(IsUtf8(TextOfHtml(bytes).body));
        EXPECT_TRUE(IsUtf8(TextOfPlainText(bytes).body));
    }

    // A 4 MB page is read whole.
    const PageText large = TextOfHtml("<title>Large</title>" + Repeat("<p>Some <b>bold</b> words.</p>\n", 140000) +
                                      "<p>The last words</p>");
    EXPECT_EQ(large.title, "Large");
    EXPECT_TRUE(large.body.ends_with("\nSome bold words.\nThe last words"));
}

TEST(PageTextHtml, PagesAreReadOnSeveralThreadsAtOnce) {
    const std::string page = "<meta charset=shift_jis><title>" + kNihongoSjis + "</title>" +
                             Repeat("<h2>Part</h2><p>Text <b>of</b> the part.</p>", 200);
    const PageText expected = TextOfHtml(page);
    std::vector<std::thread> threads;
    std::vector<int> matches(4);
    for (int& matched : matches) {
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                const PageText text = TextOfHtml(page);
                matched += text.title == expected.title && text.body == expected.body;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(matches, (std::vector<int>{25, 25, 25, 25}));
}

TEST(PageTextPlain, TitleIsTheFirstNonEmptyLineAndLinesStay) {
    const PageText page = TextOfPlainText("\n \r\n   First   line  \r\n\r\nsecond\tline\n\n");
    EXPECT_EQ(page.title, "First line");
    EXPECT_EQ(page.body, "First line\nsecond line");
    EXPECT_TRUE(page.headings.empty());

    EXPECT_EQ(TextOfPlainText("old\rMac\rlines").body, "old\nMac\nlines");
    const std::string longTitle = TextOfPlainText(Repeat("é", 300) + "\nrest").title;
    EXPECT_EQ(longTitle, Repeat("é", 200));
    EXPECT_EQ(TextOfPlainText("").title, "");
    // Text pages are text: markup in them is words.
    EXPECT_EQ(TextOfPlainText("<b>bold</b>").body, "<b>bold</b>");
}

TEST(PageTextKind, PagesAreSearchedByTheirExtensionInAnyCase) {
    EXPECT_EQ(KindOfPage("index.html"), PageKind::kHtml);
    EXPECT_EQ(KindOfPage("dir/Page.HTM"), PageKind::kHtml);
    EXPECT_EQ(KindOfPage("book.XHtml"), PageKind::kHtml);
    EXPECT_EQ(KindOfPage("notes.TXT"), PageKind::kText);
    EXPECT_EQ(KindOfPage("style.css"), PageKind::kNone);
    EXPECT_EQ(KindOfPage("html"), PageKind::kNone);
    EXPECT_EQ(KindOfPage("archive.html.gz"), PageKind::kNone);

    EXPECT_EQ(TextOfPage("a.HTML", "<title>T</title><p>x</p>")->title, "T");
    EXPECT_EQ(TextOfPage("a.txt", "<title>T</title>")->title, "<title>T</title>");
    EXPECT_FALSE(TextOfPage("a.png", "<title>T</title>").has_value());
}


TEST(PageTextHtml, NamedPlacesLinksAndTheMainHeading) {
    const PageText page = TextOfHtml(
        "<nav><h3>Navigation</h3><a href=next.html>next</a></nav><h2>Contents</h2><h1>Main <b>topic</b></h1>"
        "<dl><dt id='os.path.join'>os.path.join(path)<a href='#os.path.join'>\xC2\xB6</a></dt><dd>Joins.</dd></dl>"
        "<span id='module-os'></span><p>First line<br>second</p><a name=old>Old anchor</a>"
        "<p id=plain>a paragraph id</p><h2 id=index-3>Numbered</h2><section id=intro><h2>Intro</h2></section>"
        "<div class='section' id=legacy><h3>Legacy</h3></div><div id=sidebar>layout</div>");
    std::vector<std::pair<std::string, std::string>> anchors;
    for (const PageAnchor& anchor : page.anchors) {
        anchors.emplace_back(anchor.name, anchor.label);
        EXPECT_EQ(page.body.substr(anchor.at, anchor.label.size()), anchor.label) << anchor.name;
    }
    EXPECT_EQ(anchors, (std::vector<std::pair<std::string, std::string>>{{"os.path.join", "os.path.join(path)"},
                                                                          {"module-os", "First line"},
                                                                          {"old", "Old anchor"},
                                                                          {"intro", "Intro"},
                                                                          {"legacy", "Legacy"}}));
    EXPECT_EQ(page.mainHeading, "Main topic") << "the first h1, not the first heading";
    EXPECT_EQ(page.body.find("Navigation"), std::string::npos) << "navigation is not page text";
    ASSERT_EQ(page.links.size(), 1u) << "an <a> without href is no link";
    EXPECT_EQ(page.body.substr(page.links[0].first, page.links[0].second - page.links[0].first), "\xC2\xB6");
}

}  // namespace search
