// A crafted zlib stream for tests of damaged input: one deflate block of
// fixed codes that repeats "258 more zeros" for as long as it lasts, so it
// inflates to about 159 times its own size and never comes to an end.
#pragma once

#include <cstddef>
#include <string>

inline std::string ZeroBomb(std::size_t bytes) {
    std::string out = "\x78\x01";  // zlib header: deflate, 32 KB window
    unsigned buffer = 0, filled = 0;
    // Deflate packs fields from the low bit up; Huffman codes go in from their top bit.
    auto field = [&](unsigned value, unsigned bits) {
        for (unsigned i = 0; i < bits; ++i) {
            buffer |= ((value >> i) & 1u) << filled;
            if (++filled == 8) {
                out += static_cast<char>(buffer);
                buffer = filled = 0;
            }
        }
    };
    auto code = [&](unsigned value, unsigned bits) {
        for (unsigned i = bits; i-- > 0;) field((value >> i) & 1u, 1);
    };
    field(1, 1);          // last block
    field(1, 2);          // fixed codes
    code(0x30, 8);        // literal 0
    while (out.size() < bytes) {
        code(0xC5, 8);    // length 258
        code(0x00, 5);    // distance 1
    }
    return out;
}
