// A Devhelp book's chapters, read as the file streams by up to their end.
#include "XmlTables.h"

#include <gtest/gtest.h>

namespace contents {
namespace {

std::string Book(const std::string& chapters, const std::string& after = "") {
    return "<?xml version=\"1.0\"?><book xmlns=\"http://www.devhelp.net/book\" title=\"T\" link=\"index.html\">" +
           chapters + after + "</book>";
}

// Each item as "text>href", its children in brackets after it.
std::string Shape(const std::vector<ListItem>& items) {
    std::string shape;
    for (const ListItem& item : items) {
        shape += item.text + ">" + item.href;
        if (!item.children.empty()) shape += "[" + Shape(item.children) + "]";
        shape += ";";
    }
    return shape;
}

}  // namespace

TEST(DevhelpChapters, NestedSubsAreItemsAndOtherElementsAreLeftOut) {
    std::string problem;
    const auto chapters = DevhelpChapters(
        Book("<chapters><sub name=\"One\" link=\"one.html\"><sub name=\"A &amp; B\" link=\"one.html#a\"/>"
             "<note><sub name=\"Hidden\" link=\"x.html\"/></note></sub><sub name=\"Two\" link=\"two.html\"></sub>"
             "</chapters>",
             "<functions><keyword type=\"function\" name=\"f\" link=\"one.html#f\"/></functions>"),
        problem);
    ASSERT_TRUE(chapters) << problem;
    EXPECT_EQ(Shape(*chapters), "One>one.html[A & B>one.html#a;];Two>two.html;");
    std::string emptyProblem;
    const auto none = DevhelpChapters(Book("<chapters/>"), emptyProblem);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

TEST(DevhelpChapters, DeepNestingIsCutAtItsLimit) {
    std::string nested;
    for (int depth = 0; depth < 80; ++depth) nested += "<sub name=\"d" + std::to_string(depth) + "\" link=\"p.html\">";
    for (int depth = 0; depth < 80; ++depth) nested += "</sub>";
    std::string problem;
    const auto chapters = DevhelpChapters(Book("<chapters>" + nested + "</chapters>"), problem);
    ASSERT_TRUE(chapters) << problem;
    int levels = 0;
    for (const std::vector<ListItem>* items = &*chapters; !items->empty(); items = &items->front().children) ++levels;
    EXPECT_EQ(levels, 65);
}

TEST(DevhelpChapters, AFaultInTheChaptersOrAMissingBookIsAProblem) {
    std::string problem;
    EXPECT_FALSE(DevhelpChapters(Book("<chapters><sub name=\"One\" link=\"one.html\"></chapters>"), problem));
    EXPECT_EQ(problem.rfind("it is not well-formed XML", 0), 0u) << problem;
    EXPECT_FALSE(DevhelpChapters(Book("<functions/>"), problem));
    EXPECT_EQ(problem, "it has no <book> with <chapters>");
    EXPECT_FALSE(DevhelpChapters("<other><chapters><sub name=\"One\" link=\"one.html\"/></chapters></other>", problem));
    EXPECT_EQ(problem, "it has no <book> with <chapters>");
    EXPECT_FALSE(DevhelpChapters("", problem));
    EXPECT_FALSE(problem.empty());
}

}  // namespace contents
