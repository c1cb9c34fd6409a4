// Fuzz target: DecompressString on arbitrary bytes. Whatever decompresses
// must compress and decompress back to itself.
#include "ZLibEx.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string plain;
    try {
        plain = ZLibEx::DecompressString(input);
    } catch (const ZLibEx::EZDecompressionError&) {
        return 0;
    }
    if (ZLibEx::DecompressString(ZLibEx::CompressString(plain, ZLibEx::lvFastest)) != plain) std::abort();
    return 0;
}
