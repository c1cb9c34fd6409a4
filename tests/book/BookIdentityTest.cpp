// A book's identity: the hash both programs name books with, the identity a
// book carries, the one an older book's settings and page names give, and
// whether the book reopens where its reader left off.
#include "BookIdentity.h"
#include "BookImage.h"

#include <gtest/gtest.h>

namespace {

std::string Block(const std::string& name, const std::string& content) {
    std::string block;
    SimExe::AppendBlock(name, ZLibEx::CompressString(content, ZLibEx::lvDefault), block);
    return block;
}

// The identity of a book from before identities: settings, pages that hold
// `content` as no page is stored (never to be read), a block of our own,
// then `more` blocks.
std::string OlderIdentity(const std::vector<std::string>& pages, const std::string& title = "Tea",
                          const std::string& content = "x", const std::string& more = "") {
    BookImage image;
    image.Add("chome", "index.html");
    image.Add("cproject", title);
    for (const std::string& page : pages) SimExe::AppendBlock(page, content, image.bytes);
    image.Add("/zorbin/search", "an index");
    image.bytes += more;
    return book::IdentityOf(*image.Open());
}

}  // namespace

TEST(BookIdentity, TheHashIsTheStartOfTheSha256OfTheFieldsKeptApartByNul) {
    EXPECT_EQ(book::IdentityHash({"abc"}), "ba7816bf8f01cfea414140de5dae2223");
    EXPECT_EQ(book::IdentityHash({"a", "bc"}), "40bb547d936bbd31318ee37ac8799e7e");
    EXPECT_EQ(book::IdentityHash({"ab", "c"}), "6c032e631d39a14d85aff7e319546af7");
}

// A book that carries an identity is known by it; one that does not (or
// carries one that does not read) by its settings and the names of its
// pages, never by what the pages hold.
TEST(BookIdentity, ABookIsKnownByItsOwnIdentityElseByItsSettingsAndPageNames) {
    const std::vector<std::string> pages = {"index.html", "img/a.png"};
    const std::string derived = OlderIdentity(pages), stored = "0123456789abcdef0123456789abcdef";
    EXPECT_TRUE(book::IsIdentity(derived));
    EXPECT_EQ(OlderIdentity(pages, "Tea", "other content"), derived);
    EXPECT_EQ(OlderIdentity(pages, "Tea", "x", Block("/zorbin/access/img/a.png", "x") + Block("cemail", "a setting")),
              derived);
    EXPECT_NE(OlderIdentity({"index.html"}), derived);
    EXPECT_NE(OlderIdentity({"img/a.png", "index.html"}), derived);
    EXPECT_NE(OlderIdentity(pages, "Coffee"), derived);

    EXPECT_EQ(OlderIdentity(pages, "Tea", "x", Block("/zorbin/identity", stored)), stored);
    std::string damaged;
    SimExe::AppendBlock("/zorbin/identity", stored, damaged);
    for (const std::string& bad : {Block("/zorbin/identity", "0123456789ABCDEF0123456789ABCDEF"), damaged})
        EXPECT_EQ(OlderIdentity(pages, "Tea", "x", bad), derived);
}

TEST(BookIdentity, ABookReopensUnlessItsAuthorSaidNo) {
    EXPECT_TRUE(book::ReopensWhereLeftOff(*BookImage().Open())) << "older books reopen";
    for (const auto& [choice, reopens] : {std::pair{"0", false}, {"1", true}}) {
        BookImage image;
        image.Add("/zorbin/reopen", choice);
        EXPECT_EQ(book::ReopensWhereLeftOff(*image.Open()), reopens) << choice;
    }
}
