// Fuzz target: a search index as a damaged or hostile eBook may carry it.
// The input's first byte picks a query and how the index is read (an image
// in memory, or a chunked block read in place from a book);
// the rest is the database image. Opening either fails with EIndexError or
// gives an index whose queries answer within their limit or fail with
// EIndexError.
#include "AccessIndex.h"
#include "ChunkedBlockMaker.h"
#include "IndexFile.h"
#include "SearchIndex.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// A book holding the image as the compiler stores it, in small chunks so
// that short inputs have several.
std::shared_ptr<const book::Book> BookWithChunkedBlock(const std::string& image) {
    const SimExe::ChunkedBlock block = SimExe::MakeChunkedBlock(image, 512);
    std::string bytes = "viewer";
    SimExe::AppendBlock(search::kIndexBlockName, block.payload, bytes);
    SimExe::AppendBlock(SimExe::AccessIndexName(search::kIndexBlockName),
                        ZLibEx::CompressString(SimExe::EncodeAccessIndex(block.index), ZLibEx::lvDefault), bytes);
    return book::Book::OfBytes(std::move(bytes));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const char* const kQueries[] = {"fox", "caf*", "\"quick brown\"", "os.path", "a b c d", "x*", "東京"};
    const char* typed = kQueries[data[0] % (sizeof kQueries / sizeof *kQueries)];
    const bool inPlace = data[0] & 0x40;
    const std::string image(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const auto index = inPlace ? std::make_unique<search::SearchIndex>(
                                         search::IndexBlock{BookWithChunkedBlock(image), search::kIndexBlockName})
                                   : std::make_unique<search::SearchIndex>(image);
        const search::Results results = index->Find(search::ParseQuery(typed, data[0] & 0x80), 3);
        if (results.hits.size() > 3 || results.hits.size() > results.count) std::abort();
    } catch (const search::EIndexError&) {
    }
    return 0;
}
