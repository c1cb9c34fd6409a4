// Fuzz target: a search index block as a damaged or hostile eBook may carry
// it. The input's first byte picks a query, the rest is the database image.
// Opening either fails with EIndexError or gives an index whose queries
// either answer within their limit or fail with EIndexError.
#include "SearchIndex.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const char* const kQueries[] = {"fox", "caf*", "\"quick brown\"", "os.path", "a b c d", "x*", "東京"};
    const char* typed = kQueries[data[0] % (sizeof kQueries / sizeof *kQueries)];
    const std::string image(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const search::SearchIndex index(image);
        const search::Results results = index.Find(search::ParseQuery(typed, data[0] & 0x80), 3);
        if (results.hits.size() > 3 || results.hits.size() > results.count) std::abort();
    } catch (const search::EIndexError&) {
    }
    return 0;
}
