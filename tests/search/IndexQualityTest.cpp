// What readers of documentation type, on small pages of each kind: names
// that stand only in an id, signatures in dt terms, source copies beside
// their pages, generated index pages, phrases across blocks, titles, and
// Chinese, Japanese and Korean words inside compounds.
#include "IndexWriter.h"
#include "PageText.h"
#include "SearchIndex.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace search {
namespace {

using Names = std::vector<std::string>;

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

// A documentation folder in miniature, as the compiler indexes it.
const std::vector<std::pair<std::string, std::string>>& DocPages() {
    static const std::vector<std::pair<std::string, std::string>> pages = {
        {"library/sync.html",
         "<title>Synchronization primitives</title><nav><a href='index.html'>index</a> locked navigation</nav>"
         "<h1>Synchronization primitives</h1><dl><dt id='asyncio.Semaphore.locked'><code>locked</code>()"
         "<a class=headerlink href='#asyncio.Semaphore.locked'>\xC2\xB6</a></dt>"
         "<dd>Returns True if the semaphore cannot be acquired.</dd></dl>"},
        {"library/os.path.html",
         "<title>os.path - pathname manipulations</title><span id='module-os.path'></span>"
         "<h1>os.path - pathname manipulations</h1><dl><dt id='os.path.join'>os.path.join(path, *paths)</dt>"
         "<dd>Join one or more path segments.</dd></dl><h2 id='id3'>Notes</h2>"},
        {"library/os.html",
         "<title>os - operating system interfaces</title><h1>os</h1>"
         "<p>" + Repeated("This long page speaks of os.path and os.path.join again and again. ", 40) + "</p>"
         "<dl><dt id='os.fsencode'>os.fsencode(filename)</dt><dd>Encode a filename.</dd></dl>"},
        {"whatsnew/changes.html",
         "<title>Changes</title><h1>Changes</h1><h2 id='os-path'>os path</h2><p>The os module and path handling improved.</p>"
         "<ul><li>alpha beta</li><li>gamma delta</li></ul><table><tr><td>cell one</td><td>cell two</td></tr></table>"},
        {"genindex.html",
         "<title>Index</title><h1>Index</h1><ul>" +
             Repeated("<li><a href='library/os.html#os.fsencode'>fsencode() (in module os)</a></li>"
                      "<li><a href='library/os.path.html#os.path.join'>join() (in module os.path)</a></li>",
                      20) +
             "</ul>"},
        {"gtk/GtkWidget.html",
         "<title>GtkWidget</title><h1>GtkWidget</h1><div class=refsect2><a name='gtk-widget-show'></a>"
         "<h3>gtk_widget_show ()</h3><pre>void gtk_widget_show (GtkWidget *widget);</pre>"
         "<p>Flags a widget to be displayed.</p></div>"},
        {"gtk/intro.html", "<title>Getting started</title><p>" +
                               Repeated("Call gtk_widget_show() on each widget, then gtk_widget_show again. ", 10) +
                               "</p>"},
        {"guide.html", "<title>Guide</title><h1>The Guide</h1><p>A quixotic journey.</p>"},
        {"_sources/guide.rst.txt", "The Guide\n=========\n\nA quixotic journey.\n"},
        {"notes.txt", "Notes\nA quixotic note of its own.\n"},
        {"notes.html", "<title>Notes page</title><p>The page of the notes.</p>"},
        {"ja/tower.html", "<title>塔</title><p>東京タワーは高い塔です。</p>"},
        {"ja/language.html", "<title>言語</title><p>日本語を話します。</p>"},
        {"ja/country.html", "<title>国</title><p>日本は島国です。</p>"},
        {"zh/study.html", "<title>学习</title><p>我们在北京大学学习。</p>"},
        {"ko/learn.html", "<title>배우기</title><p>한국어를 배웁니다.</p>"},
    };
    return pages;
}

const std::string& DocImage() {
    static const std::string image = [] {
        Names names;
        for (const auto& page : DocPages()) names.push_back(page.first);
        const std::vector<bool> copies = SourceCopies(names);
        IndexWriter writer;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (copies[i]) continue;
            if (std::optional<PageWords> words = WordsOfPage(names[i], DocPages()[i].second)) writer.Add(names[i], *words);
        }
        return writer.Finish();
    }();
    return image;
}

// Each hit as "page" or "page#anchor", best first.
Names Found(const std::string& typed, bool typing = false) {
    const SearchIndex index(DocImage());
    Names found;
    for (const Hit& hit : index.Find(ParseQuery(typed, typing), 20).hits)
        found.push_back(hit.anchor.empty() ? hit.pageName : hit.pageName + "#" + hit.anchor);
    return found;
}

std::string First(const std::string& typed, bool typing = false) {
    const Names found = Found(typed, typing);
    return found.empty() ? "" : found.front();
}

}  // namespace

TEST(IndexQuality, NamesAreFoundWholeAndByTheirLastPartsAndListedFirst) {
    EXPECT_EQ(First("asyncio.Semaphore.locked"), "library/sync.html#asyncio.Semaphore.locked") << "a name only in an id";
    EXPECT_EQ(First("Semaphore.locked"), "library/sync.html#asyncio.Semaphore.locked");
    EXPECT_EQ(First("locked"), "library/sync.html#asyncio.Semaphore.locked");
    EXPECT_EQ(First("asyncio.Semaphore.locked", true), "library/sync.html#asyncio.Semaphore.locked")
        << "the word being typed spells a name as it stands";
    EXPECT_EQ(First("os.path.join"), "library/os.path.html#os.path.join") << "above a long page full of the words";
    EXPECT_EQ(First("os.fsencode"), "library/os.html#os.fsencode");
    EXPECT_EQ(First("os.path"), "library/os.path.html#module-os.path") << "a joined name, not the slug os-path";
    EXPECT_EQ(First("os path"), "whatsnew/changes.html#os-path") << "words typed apart spell the slug";
    EXPECT_EQ(First("semaphore.lock").find('#'), std::string::npos) << "a part of a part spells nothing";
    EXPECT_EQ(First("gtk_widget_show"), "gtk/GtkWidget.html#gtk-widget-show")
        << "a joined word that is no name spells the slug made of it";
    EXPECT_EQ(First("gtk widget show"), "gtk/GtkWidget.html#gtk-widget-show");
    EXPECT_EQ(First("widget_show").find('#'), std::string::npos) << "the tail of a slug is no name";
    const Names numbered = Found("id3");
    EXPECT_TRUE(std::ranges::none_of(numbered, [](const std::string& hit) { return hit.ends_with("#id3"); }))
        << "ids a generator numbered are no names";
    EXPECT_TRUE(std::ranges::none_of(Found("navigation"), [](const std::string& hit) { return hit == "library/sync.html"; }))
        << "navigation is not searched";
}

TEST(IndexQuality, AnExactTitleComesFirstAndOnce) {
    const Names guide = Found("The Guide");
    ASSERT_FALSE(guide.empty());
    EXPECT_EQ(guide.front(), "guide.html");
    EXPECT_EQ(std::ranges::count(guide, "guide.html"), 1);
    EXPECT_EQ(First("Synchronization primitives"), "library/sync.html");
}

TEST(IndexQuality, SourceCopiesAreNoResultsAndIndexesRankBelowThePagesTheyLinkTo) {
    EXPECT_EQ(Found("quixotic"), (Names{"guide.html"})) << "the _sources copy is not a second result";
    EXPECT_EQ(SourceCopies({"a/_sources/b.rst.txt", "a/b.html", "_sources/c.txt", "c.HTM", "d.txt", "D.xhtml",
                            "e.txt", "e.png", "_sources/f.rst.txt", "f.rst.html", "readme.txt"}),
              (std::vector<bool>{true, false, true, false, true, false, false, false, true, false, false}));
    EXPECT_EQ(First("fsencode"), "library/os.html#os.fsencode");
    const Names join = Found("join");
    EXPECT_TRUE(std::ranges::find(join, "genindex.html") == join.end()) << "the words of an index's links are its targets'";
    EXPECT_EQ(First("Index"), "genindex.html") << "an index page is still found by its title";
}

TEST(IndexQuality, PhrasesDoNotMatchAcrossBlocks) {
    EXPECT_EQ(Found("\"alpha beta\""), (Names{"whatsnew/changes.html"}));
    EXPECT_TRUE(Found("\"beta gamma\"").empty()) << "across two list items";
    EXPECT_TRUE(Found("\"one cell\"").empty()) << "across two table cells";
    EXPECT_TRUE(Found("\"primitives returns\"").empty()) << "across a heading and a paragraph";
    EXPECT_EQ(Found("beta gamma"), (Names{"whatsnew/changes.html"})) << "words apart still match";
}

TEST(IndexQuality, ChineseJapaneseAndKoreanWordsAreFoundInsideCompounds) {
    EXPECT_EQ(Found("東京"), (Names{"ja/tower.html"}));
    EXPECT_EQ(Found("タワー"), (Names{"ja/tower.html"}));
    EXPECT_EQ(Found("東京タワー"), (Names{"ja/tower.html"})) << "the whole compound";
    EXPECT_EQ(Found("塔"), (Names{"ja/tower.html"})) << "one character, a word of its own";
    EXPECT_EQ(Found("北京"), (Names{"zh/study.html"}));
    EXPECT_EQ(Found("北京大学"), (Names{"zh/study.html"}));
    EXPECT_EQ(Found("한국"), (Names{"ko/learn.html"}));
    EXPECT_EQ(Found("한국어를"), (Names{"ko/learn.html"}));
    EXPECT_EQ(Found("日本"), (Names{"ja/country.html", "ja/language.html"})) << "the word itself ranks first";
    EXPECT_EQ(Found("日本語"), (Names{"ja/language.html"}));
    EXPECT_EQ(Found("京タ", true), (Names{"ja/tower.html"})) << "a prefix of pairs while typing";
}

}  // namespace search
