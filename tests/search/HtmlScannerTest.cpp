// The HTML scanner: where elements end however a page leaves them, what is
// text and what is markup, and character references, as browsers read them.
#include "HtmlScanner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace search {
namespace {

// The scanner's events written back as markup: each start with the
// attributes it was given, each end, and text in [brackets] per piece.
class Recorder : public HtmlHandler {
public:
    void StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) override {
        out += "<" + std::string(name);
        for (const HtmlAttribute& a : attributes) out += " " + std::string(a.name) + "=" + std::string(a.value);
        out += ">";
        open.push_back(std::string(name));
    }
    void EndElement() override {
        out += "</" + open.back() + ">";
        open.pop_back();
    }
    void Text(std::string_view text) override { out += text; }
    bool StopReading() const override { return stopAfter != std::string::npos && out.size() >= stopAfter; }

    std::string out;
    std::vector<std::string> open;
    std::size_t stopAfter = std::string::npos;
};

std::string Scan(std::string_view html) {
    Recorder recorder;
    ScanHtml(html, recorder);
    return recorder.out;
}

std::string Repeat(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

TEST(HtmlScanner, ElementsEndWhereBrowsersEndThem) {
    EXPECT_EQ(Scan("<p>one<p>two<div>three</div>"), "<p>one</p><p>two</p><div>three</div>");
    EXPECT_EQ(Scan("<ul><li>a<li>b<ul><li>c</ul></ul>"), "<ul><li>a</li><li>b<ul><li>c</li></ul></li></ul>");
    EXPECT_EQ(Scan("<dl><dt>t<dd>d<dt>u</dl>"), "<dl><dt>t</dt><dd>d</dd><dt>u</dt></dl>");
    EXPECT_EQ(Scan("<table><tr><td>a<td>b<tr><th>c</table>x"),
              "<table><tr><td>a</td><td>b</td></tr><tr><th>c</th></tr></table>x");
    EXPECT_EQ(Scan("<a href=1>one<a href=2>two</a>"), "<a href=1>one</a><a href=2>two</a>");
    EXPECT_EQ(Scan("<h2>title<h3>sub</h2>after"), "<h2>title</h2><h3>sub</h3>after");
    // A cell holds its own paragraph and list: the <p> outside stays open.
    EXPECT_EQ(Scan("<p>x<table><td><div>y</div></table>"), "<p>x</p><table><td><div>y</div></td></table>");
    // Misnested inline markup ends at the first end that closes it.
    EXPECT_EQ(Scan("<b>bold <i>both</b> plain</i>"), "<b>bold <i>both</i></b> plain");
    // What a page leaves open ends with it.
    EXPECT_EQ(Scan("<div><span>open"), "<div><span>open</span></div>");
}

TEST(HtmlScanner, StrayAndSpecialEndTags) {
    EXPECT_EQ(Scan("a</span>b</div>c"), "abc");
    EXPECT_EQ(Scan("a</p>b"), "a<p></p>b") << "a </p> with no <p> is an empty paragraph";
    EXPECT_EQ(Scan("a</br>b"), "a<br></br>b");
    EXPECT_EQ(Scan("<body><p>a</p></body><p>b</p></html>"), "<body><p>a</p><p>b</p></body>");
    EXPECT_EQ(Scan("<html><body>a<body>b"), "<html><body>ab</body></html>") << "only the first <body> counts";
    // A </div> does not reach out of the cell it is in.
    EXPECT_EQ(Scan("<div><table><td>x</div>y</table>z"), "<div><table><td>xy</td></table>z</div>");
}

TEST(HtmlScanner, VoidAndSelfClosingElementsHoldNothing) {
    EXPECT_EQ(Scan("a<br>b<img src=x>c<hr/>d"), "a<br></br>b<img src=x></img>c<hr></hr>d");
    EXPECT_EQ(Scan("<a name=top/>text"), "<a name=top/>text</a>") << "an unquoted value keeps its '/'";
    EXPECT_EQ(Scan("<a name=\"top\"/>text"), "<a name=top></a>text");
    EXPECT_EQ(Scan("<script src=x.js/><p>hidden"), "<script src=x.js/><p>hidden</script>");
    EXPECT_EQ(Scan("<script src='x.js'/><p>shown"), "<script src=x.js></script><p>shown</p>");
}

TEST(HtmlScanner, RawTextIsNeverMarkup) {
    EXPECT_EQ(Scan("<script>if (a < b && c) s = '</scr' + 'ipt>';</script>after"),
              "<script>if (a < b && c) s = '</scr' + 'ipt>';</script>after");
    EXPECT_EQ(Scan("<style>p > a { }</STYLE >x"), "<style>p > a { }</style>x");
    EXPECT_EQ(Scan("<title>A <b>&amp; B</title>"), "<title>A <b>& B</title>") << "a title's references are read";
    EXPECT_EQ(Scan("<textarea><p>&lt;</textarea>"), "<textarea><p><</textarea>");
    EXPECT_EQ(Scan("<script>never ends <p>"), "<script>never ends <p></script>");
    EXPECT_EQ(Scan("<plaintext><b>all</plaintext> text"), "<plaintext><b>all</plaintext> text</plaintext>");
}

TEST(HtmlScanner, CommentsDoctypesAndCdata) {
    EXPECT_EQ(Scan("<!DOCTYPE html>a<!-- <p>no</p> -->b<!-->c<!--->d<?php x ?>e"), "abcde");
    EXPECT_EQ(Scan("a<!-- never closed <p>"), "a");
    EXPECT_EQ(Scan("x<![CDATA[<b>&amp;</b>]]>y"), "x<b>&amp;</b>y") << "CDATA is text, references and all";
    EXPECT_EQ(Scan("a < b <3 </ c> d </>e"), "a < b <3  d e");
}

TEST(HtmlScanner, AttributesAsBrowsersReadThem) {
    EXPECT_EQ(Scan("<DIV ID=Main Class='a b' hidden data-x = \"1 2\">"),
              "<div id=Main class=a b hidden= data-x=1 2></div>");
    EXPECT_EQ(Scan("<p id=first id=second>"), "<p id=first></p>") << "the first of a name counts";
    EXPECT_EQ(Scan("<a href=\"?a=1&amp;b=2&copy=3&copy;\">"), "<a href=?a=1&b=2&copy=3©></a>");
    EXPECT_EQ(Scan("<p title=\"unclosed>text"), "") << "a tag the page cuts off is nothing";
    EXPECT_EQ(Scan("<p =odd>"), "<p =odd=></p>");
}

TEST(HtmlScanner, CharacterReferences) {
    EXPECT_EQ(Scan("&eacute;&#233;&#xE9;&#XE9;&eacute"), "ééééé");
    EXPECT_EQ(Scan("&lt;&gt;&amp;&quot;&apos;&nbsp;"), "<>&\"'\u00A0");
    EXPECT_EQ(Scan("&#128;&#x93;&#0;&#xD800;&#x110000;&#99999999999;"), "€“\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Scan("&#x1F600;"), "😀");
    EXPECT_EQ(Scan("&nosuch; & &; &# &#x; AT&T"), "&nosuch; & &; &# &#x; AT&T");
}

TEST(HtmlScanner, StopsWhenItsHandlerHasEnough) {
    Recorder recorder;
    recorder.stopAfter = 10;
    ScanHtml("<p>first</p><p>second</p><p>third</p>", recorder);
    EXPECT_EQ(recorder.out, "<p>first</p>");
}

TEST(HtmlScanner, DeepAndUnclosedPagesTakeLinearTime) {
    const auto start = std::chrono::steady_clock::now();
    // Ends of an element open below thousands of others, and ends of
    // elements never opened, each met thousands of times.
    const std::string page = "<a href=x><table>" + Repeat("<b>", 50000) + Repeat("</a></p></i>", 50000) +
                             Repeat("<div>", 50000) + "deep" + Repeat("</div>", 50000);
    const std::string out = Scan(page);
    EXPECT_NE(out.find("deep"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "quadratic in the depth";
}

}  // namespace
}  // namespace search
