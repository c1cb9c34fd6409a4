// Fuzz target: a contents block as a damaged or hostile eBook may carry it.
// Decoding refuses the bytes or gives a tree no deeper than kMaxDepth whose
// texts are UTF-8, and which encodes back to exactly the bytes decoded.
#include "Contents.h"
#include "Utf8.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(const std::vector<contents::Entry>& entries, std::size_t depth) {
    if (depth >= contents::kMaxDepth && !entries.empty()) std::abort();
    for (const contents::Entry& entry : entries) {
        for (const std::string* text : {&entry.title, &entry.page, &entry.anchor})
            if (!search::IsValidUtf8(*text)) std::abort();
        Check(entry.children, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<contents::Contents> decoded = contents::Decode(bytes);
    if (!decoded) return 0;
    Check(decoded->entries, 0);
    if (contents::Encode(*decoded) != bytes) std::abort();
    return 0;
}
