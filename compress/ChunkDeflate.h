// Deflating the chunks of a chunked zlib stream (see Chunks.h) with
// libdeflate, for the compiler alone: readers inflate with zlib and never
// need libdeflate. libdeflate makes a complete deflate stream of each call;
// a chunk that is not the last has its final block turned into an ordinary
// one and an empty stored block appended, which ends it on a byte boundary
// exactly as zlib's full flush does.
#pragma once

#include "Chunks.h"

#include <initializer_list>
#include <string_view>

namespace ZLibEx {

// The level every page is deflated at, on libdeflate's scale (1 to 12):
// zlib's default level's size in about half its time.
inline constexpr int kDefaultChunkLevel = 6;

// Deflates one chunk at `level`. A chunk that is not the last ends on a byte
// boundary without the final block; the last one ends with the final block.
// A chunk whose deflated form would be hardly smaller than a stored copy
// (judged first on samples of it, then on the result) is stored instead. A
// single chunk that is compressed is byte for byte the deflate data inside
// the zlib stream libdeflate makes of the same content at the same level.
//
// None of the byte strings in `neverRaw` (each of 2 bytes or more) appears
// in the result as it is, also where the content holds them: such a chunk
// is deflated at a level beside its own, or stored in blocks that end inside
// every place the content holds one of them.
DeflatedChunk DeflateChunk(std::string_view data, bool last, std::initializer_list<std::string_view> neverRaw = {},
                           int level = kDefaultChunkLevel);

}  // namespace ZLibEx
