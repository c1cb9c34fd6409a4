// Page answers without a browser: Range headers as HTTP servers read them,
// content types, and the bodies of chunked and whole pages against the
// plain reference (the page sliced), with empty answers where the page
// protocol gives them.
#include "BookImage.h"
#include "ChunkedPage.h"
#include "PageAnswer.h"
#include "SimExe.h"
#include "ZLibEx.h"
#include "ZeroBomb.h"
#include "eProtocol.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using namespace viewer;

namespace {

struct Expected {
    int status;
    std::uint64_t first, length;
};

void ExpectChoice(const std::optional<std::string>& header, std::uint64_t size, Expected expected) {
    const RangeChoice got = ChooseRange(header, size);
    const std::string what = (header ? *header : "<none>") + " of " + std::to_string(size);
    EXPECT_EQ(got.status, expected.status) << what;
    EXPECT_EQ(got.first, expected.first) << what;
    EXPECT_EQ(got.length, expected.length) << what;
}

}  // namespace

TEST(RangeChoiceTest, OneRangeIsAPartCutAtThePageEnd) {
    ExpectChoice("bytes=0-0", 100, {206, 0, 1});
    ExpectChoice("bytes=99-99", 100, {206, 99, 1});
    ExpectChoice("bytes=10-19", 100, {206, 10, 10});
    ExpectChoice("bytes=10-1000", 100, {206, 10, 90});
    ExpectChoice("bytes=0-18446744073709551615", 100, {206, 0, 100});
    ExpectChoice("bytes=0-99999999999999999999999", 100, {206, 0, 100});
    ExpectChoice("bytes=40-", 100, {206, 40, 60});
    ExpectChoice("bytes=0-", 100, {206, 0, 100});
    ExpectChoice("bytes=-1", 100, {206, 99, 1});
    ExpectChoice("bytes=-30", 100, {206, 70, 30});
    ExpectChoice("bytes=-1000", 100, {206, 0, 100});
    ExpectChoice(" Bytes = 5-6 ", 100, {206, 5, 2});
    // Sizes past 4 GiB keep every bit.
    ExpectChoice("bytes=5000000000-", 6000000000, {206, 5000000000, 1000000000});
    ExpectChoice("bytes=-4294967297", 6000000000, {206, 6000000000 - 4294967297, 4294967297});
}

TEST(RangeChoiceTest, RangesThePageCannotMeetAre416) {
    ExpectChoice("bytes=100-", 100, {416, 0, 0});
    ExpectChoice("bytes=100-200", 100, {416, 0, 0});
    ExpectChoice("bytes=-0", 100, {416, 0, 0});
    ExpectChoice("bytes=18446744073709551615-", 100, {416, 0, 0});
    ExpectChoice("bytes=99999999999999999999999-", 100, {416, 0, 0});
    for (const char* header : {"bytes=0-0", "bytes=0-", "bytes=-5"}) ExpectChoice(header, 0, {416, 0, 0});
}

TEST(RangeChoiceTest, MalformedOrSeveralRangesAskForTheWholePage) {
    for (const std::uint64_t size : {0ull, 1ull, 100ull}) {
        ExpectChoice(std::nullopt, size, {200, 0, size});
        for (const char* header : {"", "garbage", "bytes", "bytes=", "bytes=-", "bytes=5-2", "items=0-1", "bytes 0-1",
                                   "bytes=0-1,5-6", "bytes=0-1,", "bytes=a-b", "bytes=1-2-3", "bytes=+1-2", "bytes=0x1-",
                                   "bytes=--1", "bytes=1 - 2", "bytes=\xff-\x01", "=0-1"})
            ExpectChoice(header, size, {200, 0, size});
    }
    ExpectChoice(std::string("bytes=0-1\0", 10), 100, {200, 0, 100});
}

TEST(ContentTypeTest, WebFilesHaveTheTypesBrowsersExpect) {
    const std::map<std::string, std::string> types = {
        {"index.html", "text/html"},       {"INDEX.HTM", "text/html"},       {"page.xhtml", "application/xhtml+xml"},
        {"app.js", "text/javascript"},     {"mod.MJS", "text/javascript"},   {"style/book.css", "text/css"},
        {"pic.svg", "image/svg+xml"},      {"data.json", "application/json"}, {"film.mp4", "video/mp4"},
        {"film.webm", "video/webm"},       {"font.otf", "font/otf"},         {"code.wasm", "application/wasm"},
    };
    for (const auto& [name, type] : types) EXPECT_EQ(ContentTypeOfName(name), type) << name;
}

TEST(ContentTypeTest, UnknownExtensionsAreOctetStreamsAndBareNamesTellNothing) {
    EXPECT_EQ(ContentTypeOfName("archive.zzz"), "application/octet-stream");
    EXPECT_EQ(ContentTypeOfName("book.d/CHANGES"), "");  // a dot in a folder name only
    EXPECT_EQ(ContentTypeOfName(""), "");
    EXPECT_EQ(ContentTypeOfName("trailing."), "");
    EXPECT_EQ(ContentTypeOfName("caf\xC3\xA9\xFF.html"), "text/html");
    EXPECT_EQ(ContentTypeOfName("docs/README"), "text/x-readme");  // the desktop knows some bare names

    EXPECT_EQ(ContentTypeOfBytes(""), "text/plain");
    EXPECT_EQ(ContentTypeOfBytes("Plain words\non lines\n"), "text/plain");
    EXPECT_EQ(ContentTypeOfBytes("<!DOCTYPE html><p>page"), "text/html");
    EXPECT_EQ(ContentTypeOfBytes(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), "image/png");
    EXPECT_EQ(ContentTypeOfBytes(std::string("\x01\x02\x03\xff\xfe\x00", 6)), "application/octet-stream");
}

TEST(PageAnswerHeadersTest, RangesPast4GiBKeepEveryBit) {
    PageAnswer answer;
    answer.contentType = "video/webm";
    answer.pageSize = 6000000000;
    answer.status = 206;
    answer.first = 5000000000;
    answer.length = 1000000000;
    EXPECT_EQ(answer.Headers(), (std::vector<std::pair<std::string, std::string>>{
                                    {"Content-Type", "video/webm"},
                                    {"Content-Length", "1000000000"},
                                    {"Accept-Ranges", "bytes"},
                                    {"Content-Range", "bytes 5000000000-5999999999/6000000000"}}));
}

namespace {

std::string Content(std::size_t n, std::mt19937& gen) { return MixedContent(n, gen, 30000); }

class PageAnswerTest : public ::testing::Test {
protected:
    void TearDown() override { ZLibEx::SetOutputLimit(0); }

    void AddChunkedPage(const std::string& name, const std::string& content, std::size_t chunkSize) {
        MakeChunkedPage(content, chunkSize).AppendTo(image.bytes, name);
    }

    PageAnswer Ask(const std::string& url, std::optional<std::string> range = std::nullopt) const {
        return AnswerPageRequest(image.Open(), {url, std::move(range), true});
    }

    BookImage image;

    // The whole body, read as a stream reader reads it: in pieces of
    // varying size.
    std::string Body(PageAnswer& answer) {
        if (!answer.reader) return answer.bytes;
        std::string body;
        std::vector<char> buffer(70000);
        while (const std::size_t n = answer.reader->Read(buffer.data(), 1 + gen() % buffer.size()))
            body.append(buffer.data(), n);
        return body;
    }

    static std::string HeaderOf(const PageAnswer& answer, const std::string& name) {
        for (const auto& [key, value] : answer.Headers())
            if (key == name) return value;
        return "<none>";
    }

    // An empty answer, the same with or without a range.
    void ExpectEmptyAnswer(const std::string& url, const std::string& type) {
        for (const std::optional<std::string>& range : {std::optional<std::string>(), std::optional<std::string>("bytes=0-")}) {
            PageAnswer answer = Ask(url, range);
            EXPECT_EQ(answer.status, 200) << url;
            EXPECT_EQ(answer.length, 0u) << url;
            EXPECT_EQ(Body(answer), "") << url;
            EXPECT_EQ(HeaderOf(answer, "Content-Length"), "0");
            EXPECT_EQ(HeaderOf(answer, "Accept-Ranges"), "bytes");
            EXPECT_EQ(answer.contentType, type) << url;
        }
    }

    std::mt19937 gen{21};
};

}  // namespace

TEST_F(PageAnswerTest, RandomRangesOfChunkedAndWholePagesMatchThePageSliced) {
    for (int file = 0; file < 16; ++file) {
        const std::size_t size = file == 0 ? 1 : gen() % 300000;
        const std::string content = Content(size, gen);
        const std::string name = "book/page" + std::to_string(file) + ".bin";
        if (file % 2)
            AddChunkedPage(name, content, 1 + gen() % 50000);
        else
            image.Add(name, content);
        const std::string url = std::string(kPagePrefix) + name;

        PageAnswer whole = Ask(url);
        EXPECT_EQ(whole.status, 200);
        EXPECT_EQ(whole.reader.has_value(), size > 0 && file % 2 == 1) << "a chunked page is read when delivered";
        ASSERT_EQ(Body(whole), content);
        EXPECT_EQ(HeaderOf(whole, "Content-Length"), std::to_string(size));
        EXPECT_EQ(HeaderOf(whole, "Content-Type"), "application/octet-stream");

        for (int i = 0; i < 30 && size > 0; ++i) {
            // The plain reference: the first and last byte the range names.
            std::uint64_t first = gen() % size, last = first + gen() % 60000;
            std::string header = "bytes=" + std::to_string(first) + "-" + std::to_string(last);
            if (i % 3 == 1) {
                header = "bytes=" + std::to_string(first) + "-";
                last = size - 1;
            } else if (i % 3 == 2) {
                const std::uint64_t n = 1 + gen() % (size + 100);
                header = "bytes=-" + std::to_string(n);
                first = n >= size ? 0 : size - n;
                last = size - 1;
            }
            last = std::min<std::uint64_t>(last, size - 1);
            PageAnswer part = Ask(url, header);
            EXPECT_EQ(part.status, 206) << header;
            ASSERT_EQ(Body(part), content.substr(first, last - first + 1)) << name << " " << header;
            EXPECT_EQ(HeaderOf(part, "Content-Length"), std::to_string(last - first + 1));
            EXPECT_EQ(HeaderOf(part, "Content-Range"),
                      "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(size));
        }
        PageAnswer past = Ask(url, "bytes=" + std::to_string(size) + "-");
        EXPECT_EQ(past.status, 416);
        EXPECT_EQ(Body(past), "");
        EXPECT_EQ(HeaderOf(past, "Content-Range"), "bytes */" + std::to_string(size));
    }
}

// Media players read at any offset, back and forth, as from a file.
TEST_F(PageAnswerTest, ReadsAtAnyOffsetMatchThePage) {
    const std::string content = Content(3 << 20, gen);
    AddChunkedPage("clip.webm", content, 1 << 20);
    image.Add("small.ogg", content.substr(0, 100000));
    const std::shared_ptr<const book::Book> book = image.Open();
    EXPECT_FALSE(FindPage(book, "http://ebook/missing.ogg", kMediaPieces));
    for (const auto& [url, expected] : {std::pair<std::string, std::string>{"http://ebook/clip.webm", content},
                                        {"http://ebook/small.ogg", content.substr(0, 100000)}}) {
        std::optional<book::PageReader> found = FindPage(book, url, kMediaPieces);
        ASSERT_TRUE(found) << url;
        book::PageReader& page = *found;
        ASSERT_EQ(page.Size(), expected.size());
        std::vector<char> buffer(200000);
        for (int i = 0; i < 60; ++i) {
            const std::uint64_t offset = gen() % expected.size();
            const std::size_t n = page.ReadAt(offset, buffer.data(), 1 + gen() % buffer.size());
            ASSERT_GT(n, 0u);
            ASSERT_EQ(std::string(buffer.data(), n), expected.substr(offset, n)) << url << " at " << offset;
        }
        EXPECT_EQ(page.ReadAt(expected.size(), buffer.data(), buffer.size()), 0u) << "past the end";
    }
}

TEST_F(PageAnswerTest, PagesAreFoundUnderTheNamesThePageProtocolTries) {
    image.Add("caf\xC3\xA9.html", "accented");
    image.Add("page.html", "plain");
    image.Add("my page.html", "spaced");
    image.Add("100%25.html", "literal");
    image.Add("100%.html", "decoded");
    AddChunkedPage("film one.webm", "chunked content", 4);
    for (const char* rest : {"caf%C3%A9.html", "page.html?x=1", "page.html#top", "my%20page.html", "100%25.html",
                                                  "Film%20One.WEBM", "missing.html", ""}) {
        const std::string url = std::string(kPagePrefix) + rest;
        PageAnswer answer = Ask(url);
        EXPECT_EQ(Body(answer), LookupPage(*image.Open(), url)) << rest;
    }
    EXPECT_EQ(Ask(std::string(kPagePrefix) + "page.html?x=1").contentType, "text/html");
    EXPECT_EQ(Ask(std::string(kPagePrefix) + "Film%20One.WEBM").contentType, "video/webm");
}

TEST_F(PageAnswerTest, EmptyAnswersWhereThePageProtocolGivesAnEmptyDocument) {
    ZLibEx::SetOutputLimit(1 << 20);
    image.Add("index.html", "home");
    SimExe::AppendBlock("broken.html", "definitely not zlib", image.bytes);
    SimExe::AppendBlock("bomb.html", ZeroBomb(1 << 20), image.bytes);
    image.Add("over.bin", std::string((1 << 20) + 1, 'O'));
    ExpectEmptyAnswer("http://ebook/missing.png", "image/png");
    ExpectEmptyAnswer("http://ebook/broken.html", "text/html");
    ExpectEmptyAnswer("http://ebook/bomb.html", "text/html");
    ExpectEmptyAnswer("http://ebook/over.bin", "application/octet-stream");
    ExpectEmptyAnswer("http://ebook/", "text/plain");
    ExpectEmptyAnswer("http://other/index.html", "text/html");
    EXPECT_EQ(AnswerPageRequest(image.Open(), {"http://ebook/index.html", std::nullopt, false}).length, 0u)
        << "pages not served";
    EXPECT_EQ(AnswerPageRequest(nullptr, {"http://ebook/index.html", std::nullopt, true}).length, 0u) << "no book";
    EXPECT_EQ(Ask("http://ebook/index.html").bytes, "home");
}

TEST_F(PageAnswerTest, BareNamesAreTypedByTheirFirstBytes) {
    image.Add("CHANGES", "Version 2: more pages\n");
    AddChunkedPage("intro", "<!DOCTYPE html><html><body>Intro</body></html>", 8);
    EXPECT_EQ(Ask("http://ebook/CHANGES").contentType, "text/plain");
    EXPECT_EQ(Ask("http://ebook/intro", "bytes=-5").contentType, "text/html");
    EXPECT_EQ(Ask("http://ebook/missing").contentType, "text/plain");
}

// A chunked page with one damaged chunk in its middle: whole, it cannot be
// read (the page protocol answers it empty), but every range away from that
// chunk reads, so no answer inflates more than its own part of the page.
TEST_F(PageAnswerTest, AChunkedPageIsInflatedOnlyWhereTheAnswerReadsIt) {
    std::string content(10 << 20, '\0');
    for (char& c : content) c = static_cast<char>(gen());
    ChunkedPage page = MakeChunkedPage(content, 1 << 20);
    page.payload[page.index.chunks[6].payloadOffset + 1000] ^= 0x55;
    page.AppendTo(image.bytes, "film.webm");
    EXPECT_EQ(LookupPage(*image.Open(), "http://ebook/film.webm"), "");

    PageAnswer whole = Ask("http://ebook/film.webm");
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(whole.length, content.size());
    std::string body(4 << 20, '\0');
    std::size_t got = 0;
    while (got < body.size()) got += whole.reader->Read(body.data() + got, body.size() - got);
    EXPECT_EQ(body, content.substr(0, 4 << 20));
    char byte;
    EXPECT_THROW(whole.reader->Read(&byte, 1), ZLibEx::EZDecompressionError) << "the damaged piece";

    PageAnswer tail = Ask("http://ebook/film.webm", "bytes=9000000-9000099");
    EXPECT_EQ(Body(tail), content.substr(9000000, 100));
    PageAnswer head = Ask("http://ebook/film.webm", "bytes=0-99");
    EXPECT_EQ(Body(head), content.substr(0, 100));
}

// The output limit bounds what one inflation holds: a page inflated whole
// must fit, a chunked page is read in pieces that do.
TEST_F(PageAnswerTest, AChunkedPageLargerThanTheOutputLimitIsServedInPieces) {
    const std::string content = Content(300000, gen);
    AddChunkedPage("big.bin", content, 10000);
    AddChunkedPage("NOTES", content, 10000);
    image.Add("whole.bin", content);
    ZLibEx::SetOutputLimit(64 << 10);
    PageAnswer chunked = Ask("http://ebook/big.bin");
    EXPECT_EQ(Body(chunked), content);
    ZLibEx::SetOutputLimit(1000);  // below what the type is sniffed from
    PageAnswer bare = Ask("http://ebook/NOTES");
    EXPECT_EQ(Body(bare), content);
    EXPECT_EQ(Ask("http://ebook/whole.bin").length, 0u);
}
