// Compression wrapper over zlib: byte strings to zlib streams and back, with
// fixed output sizing and growth rules and zlib failures turned into exceptions.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

namespace ZLibEx {

// Four-step level index; see ZLibLevel() for the zlib level each one selects.
enum TZCompressionLevel { lvNone = 0, lvFastest = 1, lvDefault = 2, lvMaximum = 3 };

// The zlib level (0, 1, -1 or 9) that a level index selects.
int ZLibLevel(TZCompressionLevel level);

class EZLibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EZCompressionError : public EZLibError {
public:
    using EZLibError::EZLibError;
};
class EZDecompressionError : public EZLibError {
public:
    using EZLibError::EZLibError;
};

// zlib's result text for a result code ("data error", "buffer error", ...).
const char* ZLibResultText(int result);

// Return the result unchanged when it is 0 or positive; raise the matching
// exception with zlib's result text when it is negative.
int CheckCompress(int result);
int CheckDecompress(int result);

struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

// A malloc'd output buffer and its length; the holder owns it. A buffer of
// length 0 may hold no allocation at all.
struct ZBuffer {
    std::unique_ptr<char, FreeDeleter> data;
    std::size_t length = 0;
};

// The most bytes one decompression may produce when its caller names no
// limit: an eighth of the machine's physical memory unless set otherwise, so
// a damaged or crafted stream that would inflate past what the machine holds
// fails instead of exhausting memory.
std::size_t OutputLimit();
// Sets that limit for the whole process; 0 puts back the machine's default.
void SetOutputLimit(std::size_t bytes);

ZBuffer CompressBuffer(const void* in, std::size_t inLength, TZCompressionLevel level);
// sizeEstimate 0 means "no estimate"; outputLimit 0 means OutputLimit(). A
// stream that would produce more than outputLimit bytes raises
// EZDecompressionError "insufficient memory".
ZBuffer DecompressBuffer(const void* in, std::size_t inLength, std::size_t sizeEstimate = 0,
                         std::size_t outputLimit = 0);

std::string CompressString(const std::string& s, TZCompressionLevel level);
std::string DecompressString(const std::string& s, std::size_t outputLimit = 0);

}  // namespace ZLibEx
