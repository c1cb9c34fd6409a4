// Block lookups in eBooks of 1 MB and of 1 GB: the indexed lookup once its
// index is built, the first request on a fresh index, and the plain linear
// lookup as the peer. Range reads: the last megabyte of a 2 GB chunked page
// against a whole 1 MB page.
#include "AccessIndex.h"
#include "ChunkDeflate.h"
#include "PageRange.h"
#include "RatioReporter.h"
#include "SimExe.h"
#include "ZLibEx.h"
#include "html_like.h"

#include <functional>
#include <random>
#include <stdexcept>

namespace {

// An eBook-like container: a viewer-sized prefix, then pages of 64 KB of
// random bytes, as compressed pages look.
struct Book {
    std::string bytes;
    int pages = 0;
    // Names of one length in every book, so that only the book's size differs.
    std::string PageName(int i) const {
        std::string number = std::to_string(i);
        return "pages/page" + std::string(6 - number.size(), '0') + number + ".html";
    }
};

Book MakeBook(std::size_t megabytes) {
    Book book;
    std::mt19937 random(11);
    std::vector<std::string> payloads(8, std::string(64 << 10, '\0'));
    for (std::string& p : payloads)
        for (char& c : p) c = static_cast<char>(random());
    book.bytes.reserve((megabytes << 20) + (1 << 20));
    book.bytes.assign(284 << 10, '\x7F');
    while (book.bytes.size() < (megabytes << 20)) {
        SimExe::AppendBlock(book.PageName(book.pages), payloads[static_cast<std::size_t>(book.pages) % payloads.size()],
                            book.bytes);
        ++book.pages;
    }
    return book;
}

const Book& Small() { static const Book book = MakeBook(1); return book; }
const Book& Large() { static const Book book = MakeBook(1024); return book; }

// The indexed lookup with its index complete.
void IndexedLookup(benchmark::State& state, const Book& book, int page) {
    SimExe::TBlockIndex index(book.bytes);
    index.Find("absent");  // builds the whole index
    const std::string name = book.PageName(page);
    for (auto _ : state) benchmark::DoNotOptimize(index.Find(name));
}

void AnyBlock(benchmark::State& state, const Book& book) {
    SimExe::TBlockIndex index(book.bytes);
    index.Find("absent");
    std::vector<std::string> names;
    std::mt19937 random(3);
    for (int i = 0; i < 4096; ++i) names.push_back(book.PageName(static_cast<int>(random() % static_cast<unsigned>(book.pages))));
    std::size_t next = 0;
    for (auto _ : state) benchmark::DoNotOptimize(index.Find(names[next++ % names.size()]));
}

void PlainLookup(benchmark::State& state, const Book& book, bool last) {
    const std::string name = book.PageName(last ? book.pages - 1 : 0);
    for (auto _ : state) benchmark::DoNotOptimize(SimExe::FindBlock(book.bytes, name));
}

// An eBook holding a whole 1 MB page of HTML-like text and a 2 GB page of
// the same kind of text in 1 MB chunks, with its access index. Every chunk
// holds the same text, so the page is deflated once and repeated.
constexpr std::uint64_t kChunk = 1 << 20, kLargePage = std::uint64_t(2) << 30;
const std::string& RangeBook() {
    static const std::string book = [] {
        const std::string text = HtmlLike(kChunk, 7);
        const ZLibEx::DeflatedChunk middle = ZLibEx::DeflateChunk(text, false);
        const ZLibEx::DeflatedChunk last = ZLibEx::DeflateChunk(text, true);
        std::string payload = ZLibEx::ZlibHeader();
        payload.reserve(kLargePage / kChunk * middle.bytes.size() + 64);
        SimExe::AccessIndex index;
        index.fileSize = kLargePage;
        std::uint32_t adler = 1;
        for (std::uint64_t at = 0; at < kLargePage; at += kChunk) {
            const ZLibEx::DeflatedChunk& chunk = at + kChunk < kLargePage ? middle : last;
            index.chunks.push_back({payload.size(), at, chunk.adler, chunk.stored});
            payload += chunk.bytes;
            adler = ZLibEx::CombineAdler32(adler, chunk.adler, kChunk);
        }
        payload += ZLibEx::ZlibTrailer(adler);
        std::string bytes(284 << 10, '\x7F');
        SimExe::AppendBlock("small.html", ZLibEx::CompressString(HtmlLike(kChunk, 8), ZLibEx::lvDefault), bytes);
        SimExe::AppendBlock("large.html", payload, bytes);
        SimExe::AppendBlock(SimExe::AccessIndexName("large.html"),
                            ZLibEx::CompressString(SimExe::EncodeAccessIndex(index), ZLibEx::lvDefault), bytes);
        return bytes;
    }();
    return book;
}

void InRangeBook(benchmark::State& state, const std::function<void()>& read) {
    SimExe::BlockStore() = RangeBook();
    read();  // the store's index is built before the timing
    for (auto _ : state) read();
    SimExe::BlockStore().clear();
}

}  // namespace

static void BM_Range_LastMBOf2GB(benchmark::State& s) {
    InRangeBook(s, [] {
        const auto range = SimExe::BlockStore().ReadRange("large.html", kLargePage - kChunk, kChunk);
        if (!range || range->bytes.size() != kChunk) throw std::runtime_error("range read failed");
        benchmark::DoNotOptimize(range->bytes.data());
    });
}
static void BM_Whole_1MBPage(benchmark::State& s) {
    InRangeBook(s, [] {
        std::string page;
        if (!SimExe::ReadBlock("small.html", page) || page.size() != kChunk) throw std::runtime_error("read failed");
        benchmark::DoNotOptimize(page.data());
    });
}
BENCHMARK(BM_Range_LastMBOf2GB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Whole_1MBPage)->Unit(benchmark::kMillisecond);

static void BM_Indexed_1MB_First(benchmark::State& s) { IndexedLookup(s, Small(), 0); }
static void BM_Indexed_1GB_Last(benchmark::State& s) { IndexedLookup(s, Large(), Large().pages - 1); }
static void BM_Indexed_1GB_Middle(benchmark::State& s) { IndexedLookup(s, Large(), Large().pages / 2); }
static void BM_Indexed_1GB_Any(benchmark::State& s) { AnyBlock(s, Large()); }
static void BM_Plain_1MB_First(benchmark::State& s) { PlainLookup(s, Small(), false); }
static void BM_Plain_1GB_Last(benchmark::State& s) { PlainLookup(s, Large(), true); }
static void BM_FirstRequest_1GB_Last(benchmark::State& state) {
    const Book& book = Large();
    for (auto _ : state) {
        SimExe::TBlockIndex index(book.bytes);
        benchmark::DoNotOptimize(index.Find(book.PageName(book.pages - 1)));
    }
}
BENCHMARK(BM_Indexed_1MB_First)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Indexed_1GB_Last)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Indexed_1GB_Middle)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Indexed_1GB_Any)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Plain_1MB_First)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_Plain_1GB_Last)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstRequest_1GB_Last)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return RunWithRatios(argc, argv,
                         {{"indexed: last block of 1 GB / first block of 1 MB", "BM_Indexed_1GB_Last", "BM_Indexed_1MB_First", 1.10},
                          {"indexed: middle block of 1 GB / first block of 1 MB", "BM_Indexed_1GB_Middle", "BM_Indexed_1MB_First", 1.10},
                          {"indexed: random blocks of 1 GB / first block of 1 MB", "BM_Indexed_1GB_Any", "BM_Indexed_1MB_First", 1.10},
                          {"plain scan: last block of 1 GB / first block of 1 MB", "BM_Plain_1GB_Last", "BM_Plain_1MB_First", 1.10},
                          {"first request on 1 GB / one plain scan of 1 GB", "BM_FirstRequest_1GB_Last", "BM_Plain_1GB_Last", 1.00},
                          {"range: last MB of a 2 GB page / a whole 1 MB page", "BM_Range_LastMBOf2GB", "BM_Whole_1MBPage", 2.00}});
}
