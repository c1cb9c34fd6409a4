// The search index end to end in memory: pages in several languages and
// character sets made into word lists, written as a database image, opened
// again and queried as readers query it.
#include "AccessIndex.h"
#include "ChunkedBlockMaker.h"
#include "IndexWriter.h"
#include "SearchIndex.h"
#include "SimExe.h"
#include "Snippet.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

namespace search {
namespace {

// The pages of a small book: name and bytes as they lie in the folder.
const std::vector<std::pair<std::string, std::string>>& BookPages() {
    static const std::vector<std::pair<std::string, std::string>> pages = {
        {"index.html", "<html><head><title>Tea Guide</title></head><body><h1>Welcome</h1>"
                       "<p>The caf\xC3\xA9 serves tea. The quick brown fox drinks it.</p>"
                       "<img src=pot.png alt='Porcelain teapot'>"
                       "<script>var hidden = 'scriptword';</script></body></html>"},
        {"old.htm", "<html><head><meta http-equiv='Content-Type' content='text/html; charset=windows-1252'>"
                    "<title>Old page</title></head><body>A na\xEFve \x93quoted\x94 saying.</body></html>"},
        {"jp/tokyo.html", "<html><head><meta charset=shift_jis><title>\x93\x8C\x8B\x9E</title></head>"
                          "<body><p>\x93\x8C\x8B\x9E\x82\xC9\x8F\x5A\x82\xF1\x82\xC5\x82\xA2\x82\xDC\x82\xB7</p>"
                          "</body></html>"},
        {"zh.html", "<html><body><p>\xE6\x88\x91\xE4\xBB\xAC\xE5\x9C\xA8\xE5\x8C\x97\xE4\xBA\xAC\xE5\xA4\xA7"
                    "\xE5\xAD\xA6\xE5\xAD\xA6\xE4\xB9\xA0</p></body></html>"},
        {"api/os.html", "<html><head><title>Paths</title></head><body><p>Use os.path.join and __init__ "
                        "for documentation of modules.</p></body></html>"},
        {"fox-title.html", "<html><head><title>Fox</title></head><body><p>A page about animals.</p></body></html>"},
        {"fox-body.html", "<html><head><title>Animals</title></head><body><p>There was a fox, and another fox, "
                          "a fox again.</p></body></html>"},
        {"notes.txt", "Plain notes\nThe fox jumps over the lazy dog.\n"},
        {"pot.png", "\x89PNG not a page"},
    };
    return pages;
}

std::string BuildImage() {
    IndexWriter writer;
    for (const auto& [name, bytes] : BookPages())
        if (std::optional<PageWords> words = WordsOfPage(name, bytes)) writer.Add(name, *words);
    return writer.Finish();
}

const std::string& Image() {
    static const std::string image = BuildImage();
    return image;
}

std::vector<std::string> PagesFound(const std::string& typed, bool typing = false) {
    SearchIndex index(Image());
    std::vector<std::string> names;
    for (const Hit& hit : index.Find(ParseQuery(typed, typing), 50).hits) names.push_back(hit.pageName);
    return names;
}

using Names = std::vector<std::string>;

}  // namespace

TEST(SearchIndexTest, WordsAreFoundInAnyCaseAccentLanguageAndCharacterSet) {
    EXPECT_EQ(PagesFound("cafe"), Names{"index.html"});
    EXPECT_EQ(PagesFound("CAF\xC3\x89"), Names{"index.html"});
    EXPECT_EQ(PagesFound("naive"), Names{"old.htm"}) << "windows-1252, declared";
    EXPECT_EQ(PagesFound("quoted"), Names{"old.htm"});
    EXPECT_EQ(PagesFound("\xE6\x9D\xB1\xE4\xBA\xAC"), Names{"jp/tokyo.html"}) << "Shift_JIS";
    EXPECT_EQ(PagesFound("\xE5\x8C\x97\xE4\xBA\xAC"), Names{"zh.html"}) << "a Chinese word inside a sentence";
    EXPECT_EQ(PagesFound("os.path"), Names{"api/os.html"});
    EXPECT_EQ(PagesFound("path"), Names{"api/os.html"}) << "a part of a joined word";
    EXPECT_EQ(PagesFound("__init__"), Names{"api/os.html"});
    EXPECT_EQ(PagesFound("porcelain"), Names{"index.html"}) << "alt text";
    EXPECT_EQ(PagesFound("lazy"), Names{"notes.txt"});
    EXPECT_TRUE(PagesFound("scriptword").empty()) << "scripts are not text";
    EXPECT_TRUE(PagesFound("png").empty()) << "pictures are not pages";
    EXPECT_TRUE(PagesFound("zebra").empty());
}

TEST(SearchIndexTest, PhrasesPrefixesAndRanking) {
    EXPECT_EQ(PagesFound("\"quick brown fox\""), Names{"index.html"});
    EXPECT_TRUE(PagesFound("\"fox brown quick\"").empty()) << "a phrase matches in order";
    EXPECT_EQ(PagesFound("quick fox"), Names{"index.html"}) << "words are all required";
    EXPECT_EQ(PagesFound("docu*"), Names{"api/os.html"});
    EXPECT_EQ(PagesFound("docu", true), Names{"api/os.html"}) << "the word being typed";
    EXPECT_TRUE(PagesFound("docu").empty());
    const Names fox = PagesFound("fox");
    ASSERT_EQ(fox.size(), 4u);
    EXPECT_EQ(fox[0], "fox-title.html") << "a title hit weighs more than three body hits";

    SearchIndex index(Image());
    EXPECT_EQ(index.Pages(), 8u);
    const Results limited = index.Find(ParseQuery("fox"), 2);
    EXPECT_EQ(limited.count, 4u);
    EXPECT_EQ(limited.hits.size(), 2u);
    EXPECT_EQ(limited.hits[0].title, "Fox");
}

TEST(SearchIndexTest, TheSamePagesGiveTheSameImage) { EXPECT_EQ(BuildImage(), Image()); }

// An index written in several segments (little kept in memory) is merged
// into one and laid out again without free pages, the same every time, and
// finds the words of its first, middle and last pages.
TEST(SearchIndexTest, AnIndexOfManySegmentsIsMergedAndCompacted) {
    const auto build = [] {
        IndexWriter writer(16 * 1024);
        for (int page = 0; page < 400; ++page) {
            std::string text = "<title>Page " + std::to_string(page) + "</title><p>";
            for (int word = 0; word < 40; ++word) text += " w" + std::to_string(page * 40 + word);
            writer.Add("p" + std::to_string(page) + ".html", *WordsOfPage("p.html", text + "</p>"));
        }
        return writer.Finish();
    };
    const std::string image = build();
    const auto freePages = [&] {
        std::uint32_t count = 0;
        for (int i = 36; i < 40; ++i) count = count << 8 | static_cast<unsigned char>(image[i]);
        return count;
    };
    EXPECT_EQ(freePages(), 0u);
    EXPECT_EQ(build(), image);
    SearchIndex index(image);
    for (const int page : {0, 200, 399}) {
        const std::vector<Hit> hits = index.Find(ParseQuery("w" + std::to_string(page * 40 + 7), false), 5).hits;
        ASSERT_EQ(hits.size(), 1u) << page;
        EXPECT_EQ(hits[0].pageName, "p" + std::to_string(page) + ".html");
    }
}

// Named places are written in batches: tens of thousands of them, over
// many batches, are all found at their places, and a name a page lists
// twice is listed once.
TEST(SearchIndexTest, NamesOfManyBatchesAreAllFoundAndListedOnce) {
    IndexWriter writer;
    const auto name = [](int page, int place) { return "mod.f" + std::to_string(page) + "x" + std::to_string(place); };
    for (int page = 0; page < 40; ++page) {
        std::string html = "<title>Module " + std::to_string(page) + "</title><dl>";
        for (int place = 0; place < 1000; ++place)
            html += "<dt id='" + name(page, place) + "'>" + name(page, place) + "()</dt><dd>A function.</dd>";
        if (page == 7) html += "<dt id='mod.f7x3'>mod.f7x3()</dt><dd>Listed again.</dd>";
        writer.Add("p" + std::to_string(page) + ".html", *WordsOfPage("p.html", html + "</dl>"));
    }
    const std::string image = writer.Finish();
    const SearchIndex index(image);
    for (const auto& [page, place] : {std::pair{0, 0}, {7, 3}, {20, 500}, {39, 999}}) {
        const Results found = index.Find(ParseQuery(name(page, place)), 5);
        ASSERT_FALSE(found.hits.empty()) << name(page, place);
        EXPECT_EQ(found.hits[0].pageName, "p" + std::to_string(page) + ".html");
        EXPECT_EQ(found.hits[0].anchor, name(page, place));
        EXPECT_EQ(std::ranges::count_if(found.hits, [&](const Hit& hit) { return hit.anchor == name(page, place); }), 1)
            << name(page, place);
    }
}

// The index read where it lies in its chunked block answers as the image
// does; a damaged chunk is reported when a query reads it, never followed.
TEST(SearchIndexTest, AnIndexIsReadInPlaceFromItsChunkedBlock) {
    const SimExe::ChunkedBlock block = SimExe::MakeChunkedBlock(Image(), 4096);
    // A book holding the index block with the payload given.
    const auto bookWith = [&](const std::string& payload) {
        std::string bytes = "image";
        SimExe::AppendBlock(kIndexBlockName, payload, bytes);
        SimExe::AppendBlock(SimExe::AccessIndexName(kIndexBlockName),
                            ZLibEx::CompressString(SimExe::EncodeAccessIndex(block.index), ZLibEx::lvDefault), bytes);
        return book::Book::OfBytes(std::move(bytes));
    };
    const std::shared_ptr<const book::Book> sound = bookWith(block.payload);
    {
        const SearchIndex inPlace(IndexBlock{sound, kIndexBlockName});
        const SearchIndex inMemory(Image());
        EXPECT_EQ(inPlace.Pages(), 8u);
        for (const char* typed : {"fox", "caf*", "\"quick brown fox\"", "os.path", "zebra"}) {
            const Results a = inPlace.Find(ParseQuery(typed), 5), b = inMemory.Find(ParseQuery(typed), 5);
            EXPECT_EQ(a.count, b.count) << typed;
            ASSERT_EQ(a.hits.size(), b.hits.size()) << typed;
            for (std::size_t i = 0; i < a.hits.size(); ++i) EXPECT_EQ(a.hits[i].pageName, b.hits[i].pageName) << typed;
        }
    }
    EXPECT_THROW(SearchIndex(IndexBlock{sound, "/zorbin/nothing"}), EIndexError);

    for (std::size_t chunk = 0; chunk < block.index.chunks.size(); ++chunk) {
        std::string payload = block.payload;
        payload[block.index.chunks[chunk].payloadOffset + 3] ^= 0x40;
        try {
            const SearchIndex damaged(IndexBlock{bookWith(payload), kIndexBlockName});
            for (const char* typed : {"fox", "caf*", "\"quick brown\"", "os.path"}) damaged.Find(ParseQuery(typed), 5);
        } catch (const EIndexError&) {
        }
    }
}

// A damaged image is reported as such, wherever the damage lies; it never
// crashes the reader.
TEST(SearchIndexTest, DamagedImagesAreReportedNotFollowed) {
    EXPECT_THROW(SearchIndex(""), EIndexError);
    EXPECT_THROW(SearchIndex("not a database at all"), EIndexError);
    std::mt19937 gen(7);
    const std::string& image = Image();
    for (int round = 0; round < 300; ++round) {
        std::string damaged = image;
        if (round % 3 == 0) {
            damaged.resize(gen() % image.size());
        } else {
            for (int flips = 0; flips < 1 + round % 7; ++flips) damaged[gen() % damaged.size()] ^= 1 + gen() % 255;
        }
        try {
            SearchIndex index(damaged);
            for (const char* typed : {"fox", "caf*", "\"quick brown\"", "os.path"}) index.Find(ParseQuery(typed), 5);
        } catch (const EIndexError&) {
        }
    }
}

TEST(QueryTest, TypedTextBecomesPhrasesOfKeys) {
    const Query query = ParseQuery("Caf\xC3\xA9 \"Quick  Brown\" docu* e-mail", false);
    ASSERT_EQ(query.phrases.size(), 4u);
    EXPECT_EQ(query.phrases[0].keys, Names{"cafe"});
    EXPECT_EQ(query.phrases[1].keys, (Names{"quick", "brown"}));
    EXPECT_TRUE(query.phrases[2].prefix);
    EXPECT_EQ(query.phrases[3].keys, (Names{"e", "mail"})) << "one typed word, several words: a phrase";
    EXPECT_EQ(MatchExpression(query), "\"cafe\" \"quick brown\" \"docu\" * \"e mail\"");
    EXPECT_TRUE(ParseQuery("  \"\" *** ... ").empty());
    EXPECT_EQ(ParseQuery("fox\vdog\fcat\r\nowl").phrases.size(), 4u) << "any white space parts words, \\v too";
    EXPECT_TRUE(ParseQuery("fox ", true).phrases[0].prefix == false) << "a space ends the word being typed";
    EXPECT_TRUE(ParseQuery("\"brown fo", true).phrases[0].prefix) << "inside an open phrase";
}

// A pasted page, one word typed over and over, or FTS5's own operators typed
// as words: each is a query of a bounded size, answered as words are.
TEST(QueryTest, LongRepeatedAndOperatorQueriesStayWithinTheLimits) {
    std::string repeated, pasted, quoted = "\"";
    for (int i = 0; i < 400; ++i) repeated += "the ";
    for (int i = 0; i < 3000; ++i) pasted += "word" + std::to_string(i) + " ";
    for (int i = 0; i < 100; ++i) quoted += "w" + std::to_string(i) + " ";
    const Query once = ParseQuery(repeated);
    EXPECT_EQ(once.phrases.size(), 1u) << "a word typed again is searched for once";
    EXPECT_FALSE(once.cut);
    const Query cut = ParseQuery(pasted);
    EXPECT_EQ(cut.phrases.size(), kMostPhrases);
    EXPECT_EQ(cut.phrases.back().keys, Names{"word31"});
    EXPECT_TRUE(cut.cut);
    const Query longPhrase = ParseQuery(quoted + "\"");
    ASSERT_EQ(longPhrase.phrases.size(), 1u);
    EXPECT_EQ(longPhrase.phrases[0].keys.size(), kMostPhraseWords);
    EXPECT_TRUE(longPhrase.cut);
    EXPECT_FALSE(ParseQuery("fox dog fox*").cut);
    EXPECT_EQ(ParseQuery("fox dog fox*").phrases.size(), 3u) << "a prefix is another phrase";

    SearchIndex index(Image());
    for (const std::string& typed : {repeated, pasted, quoted, std::string("fox AND dog OR NOT NEAR(fox dog)"),
                                     std::string("^fox + -dog title:fox \"\" ( ) {fox} *")})
        EXPECT_NO_THROW(index.Find(ParseQuery(typed), 20)) << typed.substr(0, 40);
    EXPECT_EQ(PagesFound(repeated.substr(0, 40) + "fox"), PagesFound("the fox"));
    EXPECT_EQ(PagesFound("fox OR"), Names{}) << "OR is a word here, and no page holds it";
}

// A snippet of a long page for a long query reads the page once: cut from
// a megabyte of text for 32 words that never stand together, it takes a
// fraction of a second where counting every window afresh for each stretch
// read took tens of seconds. The bound is generous: it only catches that.
TEST(SnippetTest, ALongQueryOnALongPageReadsItOnce) {
    std::string typed, text;
    for (int i = 0; i < 32; ++i) typed += "key" + std::to_string(i) + " ";
    for (int i = 0; text.size() < (1 << 20); ++i) text += (i % 97 ? "filler " : "key" + std::to_string(i % 32) + "\n");
    const auto start = std::chrono::steady_clock::now();
    const Snippet snippet = SnippetOf(text, ParseQuery(typed));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(snippet.hits.size(), 1u);
}

TEST(SnippetTest, TheWindowWithTheMostKeysIsShownWithItsHits) {
    std::string text = "Intro words here.";
    for (int i = 0; i < 60; ++i) text += " filler";
    text += " The quick fox met a \xC3\xA9l\xC3\xA9phant.\nThe end";
    for (int i = 0; i < 60; ++i) text += " more";
    const Snippet snippet = SnippetOf(text, ParseQuery("fox elephant"), 12);
    ASSERT_EQ(snippet.hits.size(), 2u);
    EXPECT_EQ(snippet.text.substr(snippet.hits[0].first, snippet.hits[0].second - snippet.hits[0].first), "fox");
    EXPECT_EQ(snippet.text.substr(snippet.hits[1].first, snippet.hits[1].second - snippet.hits[1].first),
              "\xC3\xA9l\xC3\xA9phant");
    EXPECT_EQ(snippet.text.rfind("\xE2\x80\xA6", 0), 0u) << "cut at the front";
    EXPECT_EQ(snippet.text.find('\n'), std::string::npos);

    std::string longText = "Fox first.\n";
    for (int i = 0; i < 20000; ++i) longText += i % 10 ? "word " : "line\n";
    const Snippet early = SnippetOf(longText + "fox again", ParseQuery("fox"), 6);
    EXPECT_EQ(early.text, "Fox first. line word word word\xE2\x80\xA6") << "the earliest window, the text read on no further";

    const Snippet none = SnippetOf("Short text.", ParseQuery("absent"));
    EXPECT_EQ(none.text, "Short text");
    EXPECT_TRUE(none.hits.empty());
    EXPECT_TRUE(SnippetOf("", ParseQuery("x")).text.empty());
}

}  // namespace search
