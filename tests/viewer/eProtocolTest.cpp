// The page protocol without a browser: prefix test, page names, answers,
// reads in pieces, and the result codes of every operation.
#include "BookImage.h"
#include "SimExe.h"
#include "ZLibEx.h"
#include "ZeroBomb.h"
#include "eProtocol.h"

#include <gtest/gtest.h>

#include <vector>

using namespace viewer;

namespace {

struct RecordingSink : IInternetProtocolSink {
    struct Data {
        std::uint32_t flags;
        std::uint64_t progress, max;
    };
    std::vector<Data> data;
    std::vector<HRESULT> results;
    void ReportData(std::uint32_t flags, std::uint64_t progress, std::uint64_t max) override {
        data.push_back({flags, progress, max});
    }
    void ReportResult(HRESULT result, std::uint32_t, const char*) override { results.push_back(result); }
};

class PageProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        pages_ready = true;
        sink = std::make_shared<RecordingSink>();
    }
    void TearDown() override { pages_ready = false; }
    void AddPage(const std::string& name, const std::string& bytes) { image.Add(name, bytes); }

    // Starts a request and reads the whole answer.
    std::string Fetch(const std::string& url) {
        TeProtocol p(image.Open());
        EXPECT_EQ(p.Start(url, sink), S_OK) << url;
        std::string out;
        char buf[4096];
        std::uint32_t n = 0;
        while (p.Read(buf, sizeof buf, n) == E_PENDING) out.append(buf, n);
        out.append(buf, n);
        p.Terminate();
        return out;
    }

    BookImage image;
    std::shared_ptr<RecordingSink> sink;
};

}  // namespace

TEST_F(PageProtocolTest, PageIsAnsweredInOneNotification) {
    AddPage("index.html", "<html>hello</html>");
    EXPECT_EQ(Fetch("http://ebook/index.html"), "<html>hello</html>");
    ASSERT_EQ(sink->data.size(), 1u);
    EXPECT_EQ(sink->data[0].flags, 0x0Du);
    EXPECT_EQ(sink->data[0].progress, 18u);
    EXPECT_EQ(sink->data[0].max, 18u);
    EXPECT_EQ(sink->results, std::vector<HRESULT>{S_OK});
}

TEST_F(PageProtocolTest, PrefixAndNamesIgnoreAsciiCase) {
    AddPage("index.html", "page");
    AddPage("images/logo.gif", "GIF89a");
    for (const char* url : {"http://ebook/Index.HTML", "http://ebook/index.html", "HTTP://EBOOK/index.html"})
        EXPECT_EQ(Fetch(url), "page") << url;
    EXPECT_EQ(Fetch("http://ebook/images/logo.gif"), "GIF89a");
}

TEST_F(PageProtocolTest, OtherUrlsAreDeclinedUntouched) {
    for (const char* url : {"http://ebookx/page.html", "http://ebook:80/page.html", "http://example.org/",
                            "see http://ebook/page.html", "https://ebook/page.html", "http://ebook"}) {
        TeProtocol p(image.Open());
        EXPECT_EQ(p.Start(url, sink), INET_E_USE_DEFAULT_PROTOCOLHANDLER) << url;
        EXPECT_EQ(p.RequestUrl(), "");
        EXPECT_FALSE(p.HoldsSink());
    }
    EXPECT_TRUE(sink->data.empty());
    EXPECT_TRUE(sink->results.empty());
}

TEST_F(PageProtocolTest, OnlyPercentTwentyIsDecodedByTheFirstLookup) {
    EXPECT_EQ(PageName("http://ebook/my%20page%20two.html"), "my page two.html");
    EXPECT_EQ(PageName("http://ebook/caf%C3%A9.html?x=1#top"), "caf%C3%A9.html?x=1#top");
    EXPECT_EQ(PageName("http://ebook/"), "");
    AddPage("my page.html", "spaced");
    EXPECT_EQ(Fetch("http://ebook/my%20page.html"), "spaced");
}

TEST_F(PageProtocolTest, UnfoundNamesAreTriedDecodedAndWithoutQuery) {
    AddPage("caf\xC3\xA9.html", "accented");
    AddPage("page.html", "plain");
    AddPage("a?b.html", "question");
    EXPECT_EQ(DecodedPageName("http://ebook/caf%C3%A9.html"), "caf\xC3\xA9.html");
    EXPECT_EQ(Fetch("http://ebook/caf%C3%A9.html"), "accented");
    EXPECT_EQ(Fetch("http://ebook/page.html?x=1"), "plain");
    EXPECT_EQ(Fetch("http://ebook/page.html#section"), "plain");
    EXPECT_EQ(Fetch("http://ebook/a%3Fb.html"), "question");
    EXPECT_EQ(Fetch("http://ebook/bad%zzescape.html"), "");
}

TEST_F(PageProtocolTest, CandidateNamesInTheOrderTheyAreTried) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(PageNameCandidates("http://ebook/a%20b%3F.html?x=1#top"),
              (Names{"a b%3F.html?x=1#top", "a b?.html", "a b"}));
    EXPECT_EQ(PageNameCandidates("http://ebook/page.html"), Names{"page.html"});
    EXPECT_EQ(PageNameCandidates("http://ebook/page.html?x"), (Names{"page.html?x", "page.html"}));
    EXPECT_EQ(PageNameCandidates("http://ebook/caf%C3%A9.html"), (Names{"caf%C3%A9.html", "caf\xC3\xA9.html"}));
}

TEST_F(PageProtocolTest, NameFoundAsWrittenWinsOverItsDecodedForm) {
    AddPage("100%25.html", "literal");
    AddPage("100%.html", "decoded");
    EXPECT_EQ(Fetch("http://ebook/100%25.html"), "literal");
}

TEST_F(PageProtocolTest, EmptyAnswers) {
    AddPage("empty.txt", "");
    for (const char* url : {"http://ebook/", "http://ebook/missing.html", "http://ebook/empty.txt"}) {
        sink->data.clear();
        TeProtocol p(image.Open());
        ASSERT_EQ(p.Start(url, sink), S_OK);
        ASSERT_EQ(sink->data.size(), 1u);
        EXPECT_EQ(sink->data[0].progress, 0u);
        EXPECT_EQ(sink->data[0].max, 0u);
        char buf[16];
        std::uint32_t n = 99;
        EXPECT_EQ(p.Read(buf, sizeof buf, n), S_FALSE) << url;
        EXPECT_EQ(n, 0u);
    }
}

TEST_F(PageProtocolTest, NothingIsServedBeforePagesAreReady) {
    AddPage("index.html", "content");
    pages_ready = false;
    EXPECT_EQ(Fetch("http://ebook/index.html"), "");
    EXPECT_EQ(sink->data[0].max, 0u);
}

TEST_F(PageProtocolTest, WithoutABookEveryPageIsEmpty) {
    TeProtocol p(nullptr);
    ASSERT_EQ(p.Start("http://ebook/index.html", sink), S_OK);
    char buf[16];
    std::uint32_t n = 99;
    EXPECT_EQ(p.Read(buf, sizeof buf, n), S_FALSE);
    EXPECT_EQ(n, 0u);
}

TEST_F(PageProtocolTest, DamagedPageBlockIsAnsweredLikeAMissingPage) {
    SimExe::AppendBlock("broken.html", "definitely not zlib", image.bytes);
    SimExe::AppendBlock("empty-payload.html", "", image.bytes);
    EXPECT_EQ(Fetch("http://ebook/broken.html"), "");
    EXPECT_EQ(Fetch("http://ebook/empty-payload.html"), "");
    EXPECT_EQ(sink->results, (std::vector<HRESULT>{S_OK, S_OK}));
}

TEST_F(PageProtocolTest, PageLargerThanTheOutputLimitIsAnsweredLikeAMissingPage) {
    ZLibEx::SetOutputLimit(1 << 20);
    SimExe::AppendBlock("bomb.html", ZeroBomb(1 << 20), image.bytes);
    AddPage("limit.bin", std::string(1 << 20, 'L'));
    AddPage("over.bin", std::string((1 << 20) + 1, 'O'));
    EXPECT_EQ(Fetch("http://ebook/bomb.html"), "");
    EXPECT_EQ(Fetch("http://ebook/limit.bin"), std::string(1 << 20, 'L'));
    EXPECT_EQ(Fetch("http://ebook/over.bin"), "");
    EXPECT_EQ(sink->results, (std::vector<HRESULT>{S_OK, S_OK, S_OK}));
    ZLibEx::SetOutputLimit(0);
}

TEST_F(PageProtocolTest, FirstPageUrlsEscapeWhatAUrlCannotCarry) {
    EXPECT_EQ(PageUrl("chapter1/page one.html"), "http://ebook/chapter1/page one.html");
    EXPECT_EQ(PageUrl("100%25 & more+.html"), "http://ebook/100%25 & more+.html");
    EXPECT_EQ(PageUrl("a#b?c\\d\ne\x7F\xE9\xC3\xA9.html"), "http://ebook/a%23b%3Fc%5Cd%0Ae%7F%E9%C3%A9.html");
    const std::string names[] = {"a#b.html", "what?.html", "back\\slash.html", "line\nbreak.html",
                                 "latin1-\xE9.html", "caf\xC3\xA9.html", "50% off.html", "my page.html"};
    for (const std::string& name : names) AddPage(name, "page " + name);
    for (const std::string& name : names) EXPECT_EQ(Fetch(PageUrl(name)), "page " + name) << name;
}

TEST_F(PageProtocolTest, TypedFirstPageWithAQueryOrFragmentFindsItsPage) {
    AddPage("index.html", "home");
    EXPECT_EQ(Fetch(PageUrl("index.html#intro")), "home");
    EXPECT_EQ(Fetch(PageUrl("index.html?lang=en")), "home");
}

TEST_F(PageProtocolTest, LargePageReadInPieces) {
    std::string page(10000, 'p');
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<char>('a' + i % 26);
    AddPage("big.html", page);
    TeProtocol p(image.Open());
    ASSERT_EQ(p.Start("http://ebook/big.html", sink), S_OK);
    std::vector<char> buf(4096);
    std::string got;
    std::uint32_t n = 0;
    EXPECT_EQ(p.Read(buf.data(), 4096, n), E_PENDING);
    EXPECT_EQ(n, 4096u);
    got.append(buf.data(), n);
    EXPECT_EQ(p.Read(buf.data(), 4096, n), E_PENDING);
    got.append(buf.data(), n);
    EXPECT_EQ(p.Read(buf.data(), 4096, n), S_FALSE);
    EXPECT_EQ(n, 1808u);
    got.append(buf.data(), n);
    EXPECT_EQ(p.Read(buf.data(), 4096, n), S_FALSE);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(got, page);
}

TEST_F(PageProtocolTest, ReferencesAreHeldFromStartToTerminateOnly) {
    AddPage("a.html", "a");
    {
        TeProtocol p(image.Open());
        p.Start("http://ebook/a.html", sink);
        EXPECT_EQ(sink.use_count(), 2);
        EXPECT_TRUE(p.HoldsData());
        EXPECT_EQ(p.Terminate(), S_OK);
        EXPECT_EQ(sink.use_count(), 1);
        EXPECT_FALSE(p.HoldsSink() || p.HoldsData());
        EXPECT_EQ(p.Terminate(), S_OK);
    }
    {
        TeProtocol p(image.Open());  // destroyed without Terminate: it lets go then
        p.Start("http://ebook/a.html", sink);
    }
    EXPECT_EQ(sink.use_count(), 1);
}

TEST_F(PageProtocolTest, ResultCodesOfTheOtherOperations) {
    TeProtocol p(image.Open());
    EXPECT_EQ(p.Abort(), E_NOTIMPL);
    EXPECT_EQ(p.Suspend(), E_NOTIMPL);
    EXPECT_EQ(p.Resume(), E_NOTIMPL);
    EXPECT_EQ(p.Seek(), E_NOTIMPL);
    EXPECT_EQ(p.Continue(), S_OK);
    EXPECT_EQ(p.LockRequest(), S_OK);
    EXPECT_EQ(p.UnlockRequest(), S_OK);
    EXPECT_EQ(S_FALSE, 1);
    EXPECT_EQ(static_cast<std::uint32_t>(E_PENDING), 0x8000000Au);
    EXPECT_EQ(static_cast<std::uint32_t>(INET_E_USE_DEFAULT_PROTOCOLHANDLER), 0x800C0011u);
}
