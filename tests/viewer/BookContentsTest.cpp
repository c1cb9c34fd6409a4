// The viewer's side of a book's contents: which entry stands for the place
// shown, the pages in the table's order, and the URLs of entries' places.
#include "BookContents.h"

#include "eProtocol.h"

#include <gtest/gtest.h>

namespace viewer {
namespace {

contents::Entry E(std::string title, std::string page, std::string anchor = "",
                  std::vector<contents::Entry> children = {}) {
    return {std::move(title), std::move(page), std::move(anchor), std::move(children)};
}

// Part One (a.html) > Section (a.html#s), Again (b.html) ; Heading (no page)
// > Two (b.html), Three (c.html#top) > Deep (c.html#deep)
const BookContents kBook(contents::Contents{
    "test",
    {E("Part One", "a.html", "", {E("Section", "a.html", "s"), E("Again", "b.html")}),
     E("Heading", "", "", {E("Two", "b.html"), E("Three", "c.html", "top", {E("Deep", "c.html", "deep")})})}});

std::optional<TreePath> For(const std::string& url, const TreePath& kept = {}) {
    return kBook.EntryFor(PageNameCandidates(url), AnchorOfUrl(url), kept);
}

TEST(BookContents, TheTreeItsTitlesAndPaths) {
    EXPECT_EQ(kBook.Count({}), 2u);
    EXPECT_EQ(kBook.Count({1}), 2u);
    EXPECT_EQ(kBook.Count({1, 1}), 1u);
    EXPECT_EQ(kBook.Title({1, 1, 0}), "Deep");
    EXPECT_EQ(kBook.Count({7}), 0u) << "a path the tree does not have";
    EXPECT_EQ(kBook.Title({0, -1}), "");
    EXPECT_EQ(kBook.EntryAt({1, 5}), nullptr);
}

TEST(BookContents, ThePlaceShownChoosesItsEntry) {
    EXPECT_EQ(For("http://ebook/a.html"), (TreePath{0}));
    EXPECT_EQ(For("http://ebook/a.html#s"), (TreePath{0, 0}));
    EXPECT_EQ(For("http://ebook/a.html#elsewhere"), (TreePath{0})) << "the page's own entry";
    EXPECT_EQ(For("http://ebook/c.html#nowhere"), (TreePath{1, 1})) << "the page's first entry";
    EXPECT_EQ(For("http://ebook/c.html#deep"), (TreePath{1, 1, 0}));
    EXPECT_EQ(For("http://ebook/b.html"), (TreePath{0, 1})) << "the first of a page listed twice";
    EXPECT_EQ(For("http://ebook/b.html", {1, 0}), (TreePath{1, 0})) << "the entry the reader chose stays";
    EXPECT_EQ(For("http://ebook/b.html", {0, 0}), (TreePath{0, 1}));
    EXPECT_EQ(For("http://ebook/missing.html"), std::nullopt);
    EXPECT_EQ(For("http://example.com/a.html"), std::nullopt);
}

TEST(BookContents, PagesInTheTablesOrder) {
    EXPECT_EQ(kBook.NextPage({}, true), (TreePath{0}));
    EXPECT_EQ(kBook.NextPage({}, false), std::nullopt);
    EXPECT_EQ(kBook.NextPage({0}, true), (TreePath{0, 1})) << "the sections of the page shown are passed";
    EXPECT_EQ(kBook.NextPage({0, 1}, true), (TreePath{1, 1})) << "a heading opens nothing; b.html again is not another page";
    EXPECT_EQ(kBook.NextPage({1, 1, 0}, true), std::nullopt);
    EXPECT_EQ(kBook.NextPage({1, 1, 0}, false), (TreePath{1, 0}));
    EXPECT_EQ(kBook.NextPage({0, 1}, false), (TreePath{0})) << "the top of the page before, not its last section";
    EXPECT_EQ(kBook.NextPage({0}, false), std::nullopt);
}

TEST(BookContents, AnEntrysUrlGivesItsPlaceBack) {
    for (const auto& [page, anchor] : std::vector<std::pair<std::string, std::string>>{
             {"a.html", ""}, {"dir/b c.html", "x y"}, {"é.html", "ß%41#\"<>`"}, {"q?.html", "\x01"}}) {
        const std::string url = PlaceUrl(page, anchor);
        const std::string fragment = url.substr(std::min(url.find('#'), url.size()));
        EXPECT_EQ(fragment.find_first_of(" \"<>`\x01", 1), std::string::npos) << url;
        EXPECT_EQ(DecodedPageName(url), page) << url;
        EXPECT_EQ(AnchorOfUrl(url), anchor) << url;
    }
    EXPECT_EQ(PlaceUrl("a.html", "s"), "http://ebook/a.html#s");
}

}  // namespace
}  // namespace viewer
