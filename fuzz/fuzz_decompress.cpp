// Fuzz target: DecompressString on arbitrary bytes. Whatever decompresses
// must compress and decompress back to itself, and must decompress under a
// limit of its own size but not under one byte less.
#include "ZLibEx.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool OverLimit(const std::string& input, std::size_t limit) {
    try {
        ZLibEx::DecompressString(input, limit);
    } catch (const ZLibEx::EZDecompressionError& e) {
        return std::strcmp(e.what(), "insufficient memory") == 0;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string plain;
    try {
        plain = ZLibEx::DecompressString(input);
    } catch (const ZLibEx::EZDecompressionError&) {
        return 0;
    }
    if (ZLibEx::DecompressString(ZLibEx::CompressString(plain, ZLibEx::lvFastest)) != plain) std::abort();
    if (!plain.empty() && ZLibEx::DecompressString(input, plain.size()) != plain) std::abort();
    if (plain.size() > 1 && !OverLimit(input, plain.size() - 1)) std::abort();
    return 0;
}
