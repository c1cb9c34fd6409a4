// Each source of a book's contents on small folders written here, the order
// they are tried in, and folders that would trip a finder up: damaged
// tables, links in circles, pages reached twice.
#include "ContentsFinder.h"

#include <gtest/gtest.h>

#include <map>

namespace contents {
namespace {

// A folder in memory: file names and their bytes; the first page is index.html.
Found Find(const std::map<std::string, std::string>& files, std::string firstPage = "index.html") {
    BookFiles book;
    for (const auto& [name, bytes] : files) book.pages.push_back(name);
    book.firstPage = std::move(firstPage);
    book.read = [&files](const std::string& page) -> std::optional<std::string> {
        const auto found = files.find(page);
        if (found == files.end()) return std::nullopt;
        return found->second;
    };
    return FindContents(book);
}

// The tree as "title=page#anchor(children);" for each entry.
std::string Shape(const std::vector<Entry>& entries) {
    std::string shape;
    for (const Entry& entry : entries) {
        shape += entry.title + "=" + entry.page + (entry.anchor.empty() ? "" : "#" + entry.anchor);
        if (!entry.children.empty()) shape += "(" + Shape(entry.children) + ")";
        shape += ";";
    }
    return shape;
}

std::string Page(std::string_view title, std::string_view body) {
    return "<html><head><title>" + std::string(title) + "</title></head><body>" + std::string(body) + "</body></html>";
}

const std::map<std::string, std::string> kEpub = {
    {"META-INF/container.xml",
     "<?xml version=\"1.0\"?><container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">"
     "<rootfiles><rootfile full-path=\"EPUB/content.opf\" media-type=\"application/oebps-package+xml\"/>"
     "</rootfiles></container>"},
    {"EPUB/content.opf",
     "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><manifest>"
     "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>"
     "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>"
     "<item id=\"c1\" href=\"text/ch001.xhtml\" media-type=\"application/xhtml+xml\"/></manifest>"
     "<spine toc=\"ncx\"><itemref idref=\"c1\"/></spine></package>"},
    {"EPUB/nav.xhtml",
     "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
     "<body><nav epub:type=\"toc\"><ol><li><a href=\"text/ch001.xhtml\">Chapter One</a><ol>"
     "<li><a href=\"text/ch001.xhtml#sec\">A Section</a></li></ol></li></ol></nav></body></html>"},
    {"EPUB/toc.ncx",
     "<?xml version=\"1.0\"?><ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\"><navMap>"
     "<navPoint id=\"p1\"><navLabel><text>From the NCX</text></navLabel><content src=\"text/ch001.xhtml\"/>"
     "</navPoint></navMap></ncx>"},
    {"EPUB/text/ch001.xhtml", Page("One", "<h1>Chapter One</h1>")},
    {"index.html", Page("Start", "<a href=\"EPUB/text/ch001.xhtml\">go</a>")},
};

TEST(ContentsFinder, AnEpubsNavigationDocumentElseItsNcx) {
    Found found = Find(kEpub);
    EXPECT_EQ(found.contents.source, "the EPUB navigation document EPUB/nav.xhtml");
    EXPECT_EQ(Shape(found.contents.entries),
              "Chapter One=EPUB/text/ch001.xhtml(A Section=EPUB/text/ch001.xhtml#sec;);");
    EXPECT_TRUE(found.problems.empty());

    std::map<std::string, std::string> epub2 = kEpub;
    epub2["EPUB/nav.xhtml"] = Page("Nav", "<p>no table here</p>");
    found = Find(epub2);
    EXPECT_EQ(found.contents.source, "the EPUB NCX EPUB/toc.ncx");
    EXPECT_EQ(Shape(found.contents.entries), "From the NCX=EPUB/text/ch001.xhtml;");
    ASSERT_EQ(found.problems.size(), 1u);
    EXPECT_NE(found.problems[0].find("EPUB/nav.xhtml"), std::string::npos);
}

TEST(ContentsFinder, ADamagedTableIsReportedAndTheNextSourceTried) {
    for (const char* container :
         {"<container><rootfiles><rootfile full-path=", "<container/>",
          "<!DOCTYPE c [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><container>&e;</container>"}) {
        std::map<std::string, std::string> damaged = kEpub;
        damaged["META-INF/container.xml"] = container;
        const Found found = Find(damaged);
        EXPECT_EQ(found.contents.source, "the links of index.html") << container;
        ASSERT_EQ(found.problems.size(), 1u) << container;
        EXPECT_EQ(found.problems[0].rfind("META-INF/container.xml: ", 0), 0u) << found.problems[0];
    }
    std::map<std::string, std::string> badNcx = kEpub;
    badNcx["EPUB/nav.xhtml"] = "";
    badNcx["EPUB/toc.ncx"] = "<ncx><navMap><navPoint>";
    const Found found = Find(badNcx);
    EXPECT_EQ(found.contents.source, "the links of index.html");
    EXPECT_EQ(found.problems.size(), 2u);
}

TEST(ContentsFinder, ADevhelpBookThatListsTheFirstPage) {
    const std::string other =
        "<book xmlns=\"http://www.devhelp.net/book\" title=\"Other\" link=\"other.html\" name=\"other\"><chapters>"
        "<sub name=\"Other chapter\" link=\"other.html\"/></chapters></book>";
    const std::string gtk =
        "<?xml version=\"1.0\"?><book xmlns=\"http://www.devhelp.net/book\" title=\"GTK\" link=\"index.html\">"
        "<chapters><sub name=\"Overview\" link=\"overview.html\"><sub name=\"Basics\" link=\"overview.html#basics\"/>"
        "</sub><sub name=\"Gone\" link=\"http://example.com/\"/><sub name=\"Index\" link=\"index.html\"/></chapters>"
        "<functions><keyword type=\"function\" name=\"gtk_init ()\" "
        "link=\"overview.html#gtk-init\"/></functions></book>";
    const Found found = Find({{"a.devhelp2", other},
                              {"gtk3.devhelp2", gtk},
                              {"index.html", Page("GTK", "")},
                              {"other.html", Page("Other", "")},
                              {"overview.html", Page("Overview", "")}});
    EXPECT_EQ(found.contents.source, "the Devhelp book gtk3.devhelp2");
    EXPECT_EQ(Shape(found.contents.entries), "Overview=overview.html(Basics=overview.html#basics;);Index=index.html;")
        << "a link out of the book is left out";
}

TEST(ContentsFinder, AnHtmlHelpSitemap) {
    const std::string hhc =
        "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"><HTML><BODY><OBJECT type=\"text/site properties\">"
        "<param name=\"Window Styles\" value=\"0x800025\"></OBJECT><UL>"
        "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Getting &amp; Started\">"
        "<param name=\"Local\" value=\"html\\start.htm\"></OBJECT>"
        "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Install\">"
        "<param name=\"Local\" value=\"html/start.htm#install\"></OBJECT></UL>"
        "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Reference\"></OBJECT>"
        "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"API\">"
        "<param name=\"Local\" value=\"html/api.htm\"></OBJECT></UL></UL></BODY></HTML>";
    const Found found = Find({{"help.hhc", hhc},
                              {"index.html", Page("Help", "")},
                              {"html/start.htm", Page("Start", "")},
                              {"html/api.htm", Page("API", "")}});
    EXPECT_EQ(found.contents.source, "the HTML Help contents help.hhc");
    EXPECT_EQ(Shape(found.contents.entries),
              "Getting & Started=html/start.htm(Install=html/start.htm#install;);Reference=(API=html/api.htm;);")
        << "unclosed items, backslashes and a heading without a page";
}

TEST(ContentsFinder, ADoxygenTreeWithItsParts) {
    const std::string navtreedata =
        "/* @licstart */\nvar NAVTREE =\n[\n  [ \"Project\", \"index.html\", [\n"
        "    [ \"Overview\", \"index.html\", null ],\n    [ \"Classes\", \"annotated.html\", [\n"
        "      [ \"Class List\", \"annotated.html\", \"annotated_dup\" ]\n    ] ],\n"
        "    [ \"Files\", \"files.html\", \"files_dup\" ]\n  ] ]\n];\n\n"
        "var NAVTREEINDEX =\n[\n\"annotated.html\"\n];\nvar SYNCONMSG = 'click';\n";
    const std::map<std::string, std::string> book = {
        {"html/navtreedata.js", navtreedata},
        {"html/annotated_dup.js",
         "var annotated_dup =\n[\n    [ \"<b>Widget</b>\", \"classWidget.html\", \"classWidget\" ]\n];"},
        {"html/classWidget.js",
         "var classWidget =\n[\n    [ \"draw\", \"classWidget.html#a1f\", null ],\n"
         "    [ \"again\", \"classWidget.html#a2\", \"annotated_dup\" ]\n];"},
        {"html/index.html", Page("Project", "<a href=\"files.html\">Files</a>")},
        {"html/annotated.html", Page("Classes", "")},
        {"html/classWidget.html", Page("Widget", "")},
        {"html/files.html", Page("Files", "")},
    };
    Found found = Find(book, "html/index.html");
    EXPECT_EQ(found.contents.source, "the Doxygen navigation tree html/navtreedata.js");
    EXPECT_EQ(Shape(found.contents.entries),
              "Overview=html/index.html;Classes=html/annotated.html(Class List=html/annotated.html("
              "Widget=html/classWidget.html(draw=html/classWidget.html#a1f;again=html/classWidget.html#a2;);););"
              "Files=html/files.html;")
        << "markup left out of titles; a part read once; a missing part gives no children";
    EXPECT_TRUE(found.problems.empty());

    std::map<std::string, std::string> damaged = book;
    damaged["html/annotated_dup.js"] = "var annotated_dup = [ [ \"Widget\", \"classWidget.html\" ";
    found = Find(damaged, "html/index.html");
    EXPECT_EQ(found.contents.source, "the links of html/index.html");
    ASSERT_EQ(found.problems.size(), 1u);
    EXPECT_EQ(found.problems[0].rfind("html/navtreedata.js: ", 0), 0u) << found.problems[0];
}

TEST(ContentsFinder, PandocsSitemapAndDamagedOrHostileJson) {
    const std::string sitemap =
        "{\"section\":{\"title\":\"Book\",\"number\":null,\"id\":\"\",\"path\":\"index.html\",\"level\":\"0\"},"
        "\"subsections\":[{\"section\":{\"title\":\"Intro\",\"number\":\"1\",\"id\":\"intro\","
        "\"path\":\"1-intro.html#intro\",\"level\":\"1\"},\"subsections\":[{\"section\":{\"title\":\"Why\","
        "\"number\":\"1.1\",\"id\":\"why\",\"path\":\"1-intro.html#why\",\"level\":\"2\"},\"subsections\":[]}]},"
        "{\"section\":{\"title\":\"Notes\",\"number\":null,\"id\":\"notes\",\"path\":\"2-notes.html#notes\"},"
        "\"subsections\":[]}]}";
    std::map<std::string, std::string> book = {{"sitemap.json", sitemap},
                                               {"index.html", Page("Book", "<a href=\"1-intro.html\">1</a>")},
                                               {"1-intro.html", Page("Intro", "")},
                                               {"2-notes.html", Page("Notes", "")}};
    const Found found = Find(book);
    EXPECT_EQ(found.contents.source, "the pandoc sitemap sitemap.json");
    EXPECT_EQ(Shape(found.contents.entries),
              "1 Intro=1-intro.html#intro(1.1 Why=1-intro.html#why;);Notes=2-notes.html#notes;");

    for (const std::string& hostile :
         {std::string("{\"section\":{}, \"subsections\": [{\"section\": 3}]}"), std::string("[1,2"),
          std::string(200000, '[') + std::string(200000, ']'), std::string("{\"subsections\": \"none\"}")}) {
        book["sitemap.json"] = hostile;
        const Found fallen = Find(book);
        EXPECT_EQ(fallen.contents.source, "the links of index.html") << hostile.substr(0, 40);
        ASSERT_EQ(fallen.problems.size(), 1u) << hostile.substr(0, 40);
        EXPECT_EQ(fallen.problems[0].rfind("sitemap.json: ", 0), 0u) << fallen.problems[0];
    }
}

TEST(ContentsFinder, SphinxToctreesOfTheFirstPageOrOfTheLargestItLinksTo) {
    const std::string toctree =
        "<div class=\"toctree-wrapper\"><ul><li><a href=\"tutorial/index.html\">Tutorial</a></li>"
        "<li><a href=\"library.html\">Library</a><ul><li><a href=\"library.html#os\">os</a></li>"
        "</ul></li></ul></div>";
    const std::map<std::string, std::string> book = {
        {"index.html", Page("Docs", "<a href=\"small.html\">small</a> <a href=\"contents.html\">all</a>")},
        {"small.html",
         Page("Small", "<div class=\"toctree-wrapper\"><ul><li><a href=\"library.html\">L</a></ul></div>")},
        {"contents.html", Page("Contents", toctree)},
        // A leaf's page gives its own toctree; its link back up is not followed again.
        {"tutorial/index.html", Page("Tutorial",
                                     "<div class=\"toctree-wrapper\"><ul><li><a href=\"intro.html\">Intro</a></li>"
                                     "<li><a href=\"../contents.html\">Up</a></li></ul></div>")},
        {"tutorial/intro.html", Page("Intro", "")},
        {"library.html", Page("Library", "")},
    };
    Found found = Find(book);
    EXPECT_EQ(found.contents.source, "the Sphinx toctrees of contents.html");
    EXPECT_EQ(Shape(found.contents.entries),
              "Tutorial=tutorial/index.html(Intro=tutorial/intro.html;Up=contents.html;);"
              "Library=library.html(os=library.html#os;);");

    std::map<std::string, std::string> onFirst = book;
    onFirst["index.html"] = Page("Docs", toctree);
    EXPECT_EQ(Find(onFirst).contents.source, "the Sphinx toctrees of index.html");
}

TEST(ContentsFinder, ANavOfTheFirstPageThenTheNextLinks) {
    Found found = Find({{"index.html", Page("Home",
                                            "<nav><ul><li><a href=\"a.html\">A</a><ul><li><a href=\"b.html\">B"
                                            "</a></li></ul></li></ul></nav>")},
                        {"a.html", Page("A", "")},
                        {"b.html", Page("B", "")}});
    EXPECT_EQ(found.contents.source, "the navigation list of index.html");
    EXPECT_EQ(Shape(found.contents.entries), "A=a.html(B=b.html;);");

    // A chain that comes back to its start ends there.
    found = Find({{"index.html", "<title>One</title><link rel=next href=two.html>"},
                  {"two.html", "<title>Two</title><link rel=\"next\" href=\"sub/three.html\">"},
                  {"sub/three.html", "<title>Three</title><link rel=next href=\"../index.html\">"}});
    EXPECT_EQ(found.contents.source, "the next-page links from index.html");
    EXPECT_EQ(Shape(found.contents.entries), "One=index.html;Two=two.html;Three=sub/three.html;");
}

TEST(ContentsFinder, LinksFollowedDepthFirstEachPageOnceWithItsHeadings) {
    const Found found = Find({
        {"index.html", Page("Home",
                            "<h1>Home</h1><a href=\"a.html\">a</a> <a href=\"b.html\">b</a>"
                            "<a href=\"a.html#again\">a again</a> <a href=\"style.css\">css</a>")},
        {"a.html", Page("Page A",
                        "<h1>Page A</h1><h2 id=\"one\">One</h2><h3 id=\"deep\">Deep</h3><h2 id=\"two\">Two</h2>"
                        "<a href=\"index.html\">home</a> <a href=\"c.html\">c</a>")},
        {"b.html", Page("", "<h1>Bee</h1><a href=\"c.html\">c</a>")},
        {"c.html", Page("Page C", "<a href=\"a.html\">a</a>")},
        {"style.css", "body {}"},
    });
    EXPECT_EQ(found.contents.source, "the links of index.html");
    EXPECT_EQ(Shape(found.contents.entries),
              "Home=index.html;Page A=a.html(One=a.html#one(Deep=a.html#deep;);Two=a.html#two;Page C=c.html;);"
              "Bee=b.html;")
        << "each page once, where it is first reached; circles end";
}

TEST(ContentsFinder, NoSourceGivesNoEntries) {
    const Found found = Find({{"index.html", Page("Alone", "<p>no links</p>")}});
    EXPECT_TRUE(found.contents.entries.empty());
    EXPECT_TRUE(Find({{"a.html", "x"}}, "missing.html").contents.entries.empty());
}

}  // namespace
}  // namespace contents
