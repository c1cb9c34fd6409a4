// Books opened side by side: each read through its own Book, a protected
// one through the key its password unlocks, pages whole and in ranges,
// from several threads at once; and the page reader's pieces.
#include "BookImage.h"
#include "BookKey.h"
#include "BookLock.h"
#include "ChunkedPage.h"
#include "PageReader.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

namespace {

constexpr protect::KdfCost kCheap{1, 64, 1};
const std::string kPassword = "Open Sesame";

// The same pages as `plain` holds them, sealed as a protected book keeps
// them: every block but the password's record, a chunked page chunk by chunk.
std::string ProtectedBook(const std::map<std::string, std::string>& pages, const std::string& chunkedName,
                          const std::string& chunked) {
    auto [key, record] = protect::BookKey::Create(kPassword, protect::SaltOf("two books"), kCheap);
    std::string bytes = "viewer program";
    SimExe::AppendBlock("cpass", ZLibEx::CompressString(protect::EncodePasswordRecord(record), ZLibEx::lvDefault), bytes);
    for (const auto& [name, content] : pages)
        SimExe::AppendBlock(name, SimExe::SealPayload(*key, ZLibEx::CompressString(content, ZLibEx::lvDefault), name,
                                                      SimExe::BlockSeal::kWholeBlock),
                            bytes);
    const SimExe::SealedBlock sealedAs{*key, chunkedName};
    const SimExe::ChunkedBlock sealed = SimExe::MakeChunkedBlock(chunked, 4096, ZLibEx::kDefaultChunkLevel, &sealedAs);
    SimExe::AppendBlock(chunkedName, sealed.payload, bytes);
    const std::string indexName = SimExe::AccessIndexName(chunkedName);
    SimExe::AppendBlock(indexName,
                        SimExe::SealPayload(*key, ZLibEx::CompressString(SimExe::EncodeAccessIndex(sealed.index),
                                                                         ZLibEx::lvDefault),
                                            indexName, SimExe::BlockSeal::kWholeBlock),
                        bytes);
    return bytes;
}

std::string Random(std::size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    return MixedContent(size, gen, 3000);
}

}  // namespace

TEST(Book, TwoBooksOneProtectedAreReadSideBySideEachThroughItsOwnBook) {
    const std::map<std::string, std::string> plainPages = {{"index.html", "<p>plain home</p>"}, {"a.txt", "plain a"}};
    const std::map<std::string, std::string> sealedPages = {{"index.html", "<p>sealed home</p>"}, {"a.txt", "sealed a"}};
    const std::string plainFilm = Random(100000, 1), sealedFilm = Random(120000, 2);

    BookImage plainImage;
    for (const auto& [name, content] : plainPages) plainImage.Add(name, content);
    MakeChunkedPage(plainFilm, 4096).AppendTo(plainImage.bytes, "film.webm");
    const std::shared_ptr<book::Book> plain = plainImage.Open();
    const std::shared_ptr<book::Book> sealed = book::Book::OfBytes(ProtectedBook(sealedPages, "film.webm", sealedFilm));

    // Locked, the protected book's pages do not open; the other's do.
    std::string value;
    EXPECT_THROW(sealed->ReadBlock("index.html", value), ZLibEx::EZLibError);
    EXPECT_FALSE(book::PageReader::Open(sealed, "film.webm", {}));
    const book::BookLock lock = book::LockOf(*sealed);
    ASSERT_EQ(lock.kind, book::BookLock::Kind::Record);
    EXPECT_EQ(book::LockOf(*plain).kind, book::BookLock::Kind::None);
    EXPECT_FALSE(book::Unlock(*sealed, lock, "open sesame"));
    EXPECT_FALSE(sealed->Key());
    ASSERT_TRUE(book::Unlock(*sealed, lock, kPassword));
    EXPECT_TRUE(sealed->Key());
    EXPECT_FALSE(plain->Key()) << "the key belongs to its own book";

    // Both books read at once, from four threads, whole pages and ranges.
    const auto readBoth = [&](unsigned seed) {
        std::mt19937 gen(seed);
        for (int round = 0; round < 20; ++round) {
            for (const auto& [book, pages, film] :
                 {std::tuple{plain, &plainPages, &plainFilm}, std::tuple{sealed, &sealedPages, &sealedFilm}}) {
                for (const auto& [name, content] : *pages) {
                    std::string read;
                    if (!book->ReadBlock(name, read) || read != content) return false;
                }
                std::optional<book::PageReader> reader = book::PageReader::Open(book, "film.webm", {8192, 2});
                if (!reader || reader->Size() != film->size()) return false;
                const std::uint64_t offset = gen() % film->size();
                std::string bytes(1 + gen() % 20000, '\0');
                const std::size_t n = reader->ReadAt(offset, bytes.data(), bytes.size());
                if (n == 0 || bytes.substr(0, n) != film->substr(offset, n)) return false;
            }
        }
        return true;
    };
    std::vector<std::thread> threads;
    bool ok[4] = {};
    for (unsigned t = 0; t < 4; ++t) threads.emplace_back([&, t] { ok[t] = readBoth(t); });
    for (std::thread& thread : threads) thread.join();
    for (bool each : ok) EXPECT_TRUE(each);
}

// A reader goes through a chunked page a piece at a time, at any offset,
// and says so when the page turns out damaged where it reads.
TEST(Book, APageReaderReadsPiecesAtAnyOffsetAndReportsDamageWhereItReads) {
    const std::string film = Random(50000, 3);
    ChunkedPage page = MakeChunkedPage(film, 1000);
    page.payload[page.index.chunks[30].payloadOffset + 3] ^= 0x10;
    BookImage image;
    image.Add("small.html", "<p>small</p>");
    page.AppendTo(image.bytes, "film.webm");
    const std::shared_ptr<book::Book> book = image.Open();

    std::optional<book::PageReader> small = book::PageReader::Open(book, "small.html", {}, 3);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->Head(), "<p>");
    EXPECT_EQ(small->TakeWhole(), "<p>small</p>");
    EXPECT_FALSE(small->TakeWhole()) << "handed over once";

    std::optional<book::PageReader> reader = book::PageReader::Open(book, "film.webm", {2000, 3}, 10);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Head(), film.substr(0, 10));
    EXPECT_FALSE(reader->TakeWhole());
    char bytes[5000];
    EXPECT_EQ(reader->ReadAt(1500, bytes, sizeof bytes), 500u) << "up to the end of its piece";
    EXPECT_EQ(std::string(bytes, 500), film.substr(1500, 500));
    EXPECT_EQ(reader->ReadAt(49990, bytes, sizeof bytes), 10u);
    EXPECT_EQ(std::string(bytes, 10), film.substr(49990));
    EXPECT_EQ(reader->ReadAt(film.size(), bytes, sizeof bytes), 0u);
    EXPECT_THROW(reader->ReadAt(30500, bytes, 1), ZLibEx::EZDecompressionError);
    EXPECT_EQ(reader->ReadAt(2000, bytes, 1), 1u) << "damage elsewhere does not stop it";
    EXPECT_FALSE(book::PageReader::Open(book, "missing.html", {}));
}
