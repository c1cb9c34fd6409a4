// One zlib stream made of independently deflated chunks. Each chunk starts
// at a byte boundary with no history (the one before ends as after zlib's
// full flush), so
// the chunks can be deflated side by side, and any one of them inflated on
// its own; put together behind a zlib header and before the trailer, they
// are one ordinary zlib stream that any zlib tool reads whole. A chunk that
// deflate would hardly shrink goes in as deflate's stored blocks. Chunks are
// made by the compiler (ChunkDeflate.h); this is all a reader needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace ZLibEx {

// The two bytes every stream begins with (deflate, 32 KB window, default
// level), and the four that end it: the Adler-32 of the whole content.
inline constexpr std::size_t kZlibHeaderSize = 2;
inline constexpr std::size_t kZlibTrailerSize = 4;
std::string ZlibHeader();
std::string ZlibTrailer(std::uint32_t adler);

// Adler-32 of data, continued from `adler` (1 starts a new sum), and the sum
// of two pieces joined from the sums of each.
std::uint32_t Adler32(std::string_view data, std::uint32_t adler = 1);
std::uint32_t CombineAdler32(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength);

struct DeflatedChunk {
    std::string bytes;       // raw deflate data, starting and ending at a byte boundary
    std::uint32_t adler = 1;  // Adler-32 of the chunk's content
    bool stored = false;     // as deflate's stored blocks
};

// Inflates one chunk's raw deflate data into exactly `size` bytes at `out`.
// False when the data is damaged, makes more or fewer bytes, or (for the
// last chunk) does not end with the final block. Never writes past `size`.
bool InflateChunk(std::string_view raw, bool last, char* out, std::size_t size);

// The same with one inflate stream kept from chunk to chunk, so that a reader
// of many chunks sets up zlib's state once. Not for two threads at once.
class ChunkInflater {
public:
    ChunkInflater();
    ~ChunkInflater();
    ChunkInflater(const ChunkInflater&) = delete;
    ChunkInflater& operator=(const ChunkInflater&) = delete;

    bool Inflate(std::string_view raw, bool last, char* out, std::size_t size);

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
};

// Inflates a whole zlib stream piece by piece, handing each piece to `sink`,
// and checks its trailer; holds no more than a piece in memory. Returns the
// content's length; raises EZDecompressionError on a damaged stream.
std::uint64_t InflateStream(std::string_view stream, const std::function<void(std::string_view)>& sink);

}  // namespace ZLibEx
