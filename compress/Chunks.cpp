// Independently deflated chunks of one zlib stream.
#include "Chunks.h"

#include "ZLibEx.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace ZLibEx {

namespace {

constexpr int kRawWindowBits = -15;  // raw deflate data: no header, no trailer

struct InflateStreamGuard {
    z_stream zs{};
    explicit InflateStreamGuard(int windowBits) { CheckDecompress(inflateInit2(&zs, windowBits)); }
    ~InflateStreamGuard() { inflateEnd(&zs); }
};

void PutBigEndian32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

}  // namespace

std::string ZlibHeader() { return std::string("\x78\x9C", kZlibHeaderSize); }

std::string ZlibTrailer(std::uint32_t adler) {
    std::string out;
    PutBigEndian32(out, adler);
    return out;
}

std::uint32_t Adler32(std::string_view data, std::uint32_t adler) {
    return static_cast<std::uint32_t>(
        adler32_z(adler, reinterpret_cast<const Bytef*>(data.data()), static_cast<z_size_t>(data.size())));
}

std::uint32_t CombineAdler32(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength) {
    return static_cast<std::uint32_t>(adler32_combine64(first, second, static_cast<z_off64_t>(secondLength)));
}

struct ChunkInflater::Stream : InflateStreamGuard {
    Stream() : InflateStreamGuard(kRawWindowBits) {}
};

ChunkInflater::ChunkInflater() : stream_(std::make_unique<Stream>()) {}
ChunkInflater::~ChunkInflater() = default;

bool ChunkInflater::Inflate(std::string_view raw, bool last, char* out, std::size_t size) {
    if (raw.size() > UINT32_MAX) return false;
    z_stream& zs = stream_->zs;
    CheckDecompress(inflateReset(&zs));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    zs.avail_in = static_cast<uInt>(raw.size());
    // One byte of room beyond the chunk's size tells a chunk that makes too much.
    char spare;
    for (;;) {
        const bool full = zs.total_out >= size;
        zs.next_out = reinterpret_cast<Bytef*>(full ? &spare : out + zs.total_out);
        zs.avail_out = full ? 1 : static_cast<uInt>(std::min<std::size_t>(size - zs.total_out, UINT32_MAX));
        const int result = inflate(&zs, Z_NO_FLUSH);
        if (zs.total_out > size) return false;
        if (result == Z_OK) continue;
        if (result == Z_STREAM_END) return last && zs.avail_in == 0 && zs.total_out == size;
        // No progress with room to spare: the chunk's data is used up.
        if (result == Z_BUF_ERROR) return !last && zs.avail_in == 0 && zs.total_out == size;
        return false;
    }
}

bool InflateChunk(std::string_view raw, bool last, char* out, std::size_t size) {
    return ChunkInflater().Inflate(raw, last, out, size);
}

std::uint64_t InflateStream(std::string_view stream, const std::function<void(std::string_view)>& sink) {
    constexpr std::size_t kPiece = 256 << 10;
    constexpr std::size_t kMaxSlice = 1u << 30;
    InflateStreamGuard in(15);
    std::unique_ptr<char[]> piece(new char[kPiece]);
    std::size_t fed = 0;
    std::uint64_t total = 0;
    for (;;) {
        if (in.zs.avail_in == 0 && fed < stream.size()) {
            const std::size_t n = std::min(kMaxSlice, stream.size() - fed);
            in.zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data() + fed));
            in.zs.avail_in = static_cast<uInt>(n);
            fed += n;
        }
        in.zs.next_out = reinterpret_cast<Bytef*>(piece.get());
        in.zs.avail_out = static_cast<uInt>(kPiece);
        int result = inflate(&in.zs, Z_NO_FLUSH);
        // A stream that asks for a preset dictionary cannot be read here.
        if (result == Z_NEED_DICT) result = Z_DATA_ERROR;
        // Out of input before the stream's end: the stream is cut short.
        if (result == Z_BUF_ERROR && in.zs.avail_in == 0 && fed == stream.size()) result = Z_DATA_ERROR;
        if (result != Z_BUF_ERROR) CheckDecompress(result);
        const std::size_t produced = kPiece - in.zs.avail_out;
        total += produced;
        if (produced > 0 && sink) sink(std::string_view(piece.get(), produced));
        if (result == Z_STREAM_END) return total;
    }
}

}  // namespace ZLibEx
