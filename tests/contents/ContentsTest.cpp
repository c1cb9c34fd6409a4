// The contents block, links resolved inside a book, and what a page's
// markup says of the book's structure.
#include "BookPlaces.h"
#include "Contents.h"
#include "PageOutline.h"

#include <gtest/gtest.h>

namespace contents {
namespace {

Contents Sample() {
    Contents table{"the Devhelp book sample.devhelp2", {}};
    table.entries = {
        {"Intro", "index.html", "", {}},
        {"Part 1", "part1.html", "", {{"Setup", "part1.html", "setup", {{"Deep", "part1.html", "deep", {}}}}}},
        {"Heading without a page", "", "", {{"Grüße 日本", "dir/page two.html", "a b", {}}}},
    };
    return table;
}

TEST(ContentsBlock, RoundTripsEveryEntryAtEveryLevel) {
    const Contents table = Sample();
    EXPECT_EQ(EntryCount(table.entries), 6u);
    EXPECT_EQ(Decode(Encode(table)), table);
    EXPECT_EQ(Decode(Encode(Contents{})), Contents{});
}

TEST(ContentsBlock, DamagedOrForeignBytesAreRefused) {
    const std::string bytes = Encode(Sample());
    for (std::size_t length = 0; length < bytes.size(); ++length)
        EXPECT_FALSE(Decode(bytes.substr(0, length))) << "cut at " << length;
    EXPECT_FALSE(Decode(bytes + "x")) << "bytes after the last entry";
    EXPECT_FALSE(Decode("<html>not a table</html>"));

    // The first entry one level down, and an entry two levels below the one before.
    // The first entry stands right after what a table without entries holds.
    const std::size_t firstEntryAt = Encode(Contents{"s", {}}).size();
    std::string deeper = Encode(Contents{"s", {{"a", "a.html", "", {}}}});
    ASSERT_EQ(deeper[firstEntryAt], '\0');
    deeper[firstEntryAt] = 1;
    EXPECT_FALSE(Decode(deeper)) << "the first entry one level down";

    // Text that is not UTF-8.
    std::string invalid = Encode(Contents{"s", {{"\xC3\xA9", "a.html", "", {}}}});
    invalid[invalid.find("\xC3\xA9")] = '\xFF';
    EXPECT_FALSE(Decode(invalid));
}

TEST(ContentsBlock, LevelsPastTheDeepestAreLeftOut) {
    Entry deep{"level 0", "p.html", "", {}};
    Entry* at = &deep;
    for (std::size_t level = 1; level < kMaxDepth + 5; ++level) {
        at->children.push_back({"level " + std::to_string(level), "p.html", "", {}});
        at = &at->children.back();
    }
    const std::optional<Contents> decoded = Decode(Encode(Contents{"s", {deep}}));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(EntryCount(decoded->entries), kMaxDepth);
}

TEST(BookPlaces, LinksLeadToTheBooksPagesAsABrowserResolvesThem) {
    const BookPlaces places({"index.html", "docs/guide.html", "docs/a b.html", "Images/Logo.PNG"});
    const auto place = [&](std::string_view from, std::string_view href) {
        const std::optional<Place> found = places.Resolve(from, href);
        return found ? found->page + "#" + found->anchor : std::string("none");
    };
    EXPECT_EQ(place("index.html", "docs/guide.html#intro"), "docs/guide.html#intro");
    EXPECT_EQ(place("docs/guide.html", "../index.html"), "index.html#");
    EXPECT_EQ(place("docs/guide.html", "a%20b.html?x=1#sec%201"), "docs/a b.html#sec 1");
    EXPECT_EQ(place("docs/guide.html", "#only"), "docs/guide.html#only");
    EXPECT_EQ(place("docs/guide.html", "/index.html"), "index.html#");
    EXPECT_EQ(place("docs/guide.html", "../../../index.html"), "index.html#") << "no climbing out of the book";
    EXPECT_EQ(place("index.html", "./docs/./GUIDE.HTML"), "docs/guide.html#") << "pages are found in any case";
    EXPECT_EQ(place("index.html", "images/logo.png"), "Images/Logo.PNG#");
    for (const char* out : {"http://example.com/index.html", "mailto:a@b", "javascript:go()", "//host/index.html"})
        EXPECT_EQ(place("index.html", out), "none") << out;
    EXPECT_EQ(place("index.html", "missing.html"), "none");
}

TEST(PageOutline, TitleHeadingsLinksAndTheNextPage) {
    const PageOutline outline = OutlineOf(
        "<html><head><title> The  Guide </title><link rel=\"prev\" href=\"a.html\"><link rel=\"Next\" href=\"b.html\">"
        "</head><body><section id=\"start\"><h1>Guide<a class=\"headerlink\" href=\"#start\">\xC2\xB6</a></h1>"
        "<p><a href=\"x.html\">x</a> and <a href=\"y.html#z\">y</a></p>"
        "<h2 id=\"own\">Own id</h2><h4 id=\"deep\">Too deep</h4></section></body></html>");
    EXPECT_EQ(outline.title, "The Guide");
    EXPECT_EQ(outline.next, "b.html");
    ASSERT_EQ(outline.headings.size(), 2u);
    EXPECT_EQ(outline.headings[0].text, "Guide") << "without the permalink's pilcrow";
    EXPECT_EQ(outline.headings[0].id, "start") << "a heading without an id takes its section's";
    EXPECT_EQ(outline.headings[1].id, "own");
    EXPECT_EQ(outline.links, (std::vector<std::string>{"#start", "x.html", "y.html#z"}));
    EXPECT_EQ(OutlineOf("<h2>First heading</h2>").title, "First heading");
}

std::string Shape(const std::vector<ListItem>& items) {
    std::string shape;
    for (const ListItem& item : items) {
        shape += item.text + (item.href.empty() ? "" : "=" + item.href);
        if (!item.children.empty()) shape += "(" + Shape(item.children) + ")";
        shape += ";";
    }
    return shape;
}

TEST(PageOutline, NestedListsOfTablesOfContents) {
    const PageOutline sphinx = OutlineOf(
        "<div class=\"toctree-wrapper compound\"><ul>"
        "<li class=\"toctree-l1\"><a class=\"reference internal\" href=\"a.html\">A <code>one</code></a><ul>"
        "<li class=\"toctree-l2\"><a href=\"a.html#x\">A.x</a></li></ul></li>"
        "<li class=\"toctree-l1\"><a href=\"b.html\">B</a></ul></div>"
        "<p>between</p><div class=\"toctree-wrapper\"><ul><li><a href=\"c.html\">C</a></li></ul></div>");
    EXPECT_EQ(Shape(sphinx.toctrees), "A one=a.html(A.x=a.html#x;);B=b.html;C=c.html;");

    const PageOutline epub = OutlineOf(
        "<nav epub:type=\"landmarks\"><ol><li><a href=\"cover.xhtml\">Cover</a></li></ol></nav>"
        "<nav epub:type=\"toc\" id=\"toc\"><h1>Contents</h1><ol>"
        "<li><span>Part One</span><ol><li><a href=\"ch1.xhtml\">Chapter 1</a></li></ol></li>"
        "<li><a href=\"ch2.xhtml\">Chapter 2</a></li></ol></nav>");
    EXPECT_EQ(Shape(epub.tocNav), "Part One(Chapter 1=ch1.xhtml;);Chapter 2=ch2.xhtml;");
    EXPECT_EQ(Shape(epub.nav), "Cover=cover.xhtml;") << "the first other <nav> with a list";

    EXPECT_TRUE(OutlineOf("<ul><li><a href=a.html>outside any table</a></ul>").toctrees.empty());
}

}  // namespace
}  // namespace contents
