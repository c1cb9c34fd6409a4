// Independently deflated chunks of one zlib stream.
#include "Chunks.h"

#include "ZLibEx.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace ZLibEx {

namespace {

constexpr int kRawWindowBits = -15;  // raw deflate data: no header, no trailer
constexpr int kMemLevel = 8;
constexpr std::size_t kStoredBlockMax = 65535;
constexpr std::size_t kStoredBlockHeader = 5;

// A chunk is stored when deflate saves less than this share of a stored copy.
constexpr double kWorthDeflating = 0.97;
// Samples taken before deflating a chunk in full: data they show as
// incompressible is stored without spending a whole deflate on it.
constexpr std::size_t kSampleCount = 4;
constexpr std::size_t kSampleSize = 16 << 10;

// Ends a z_stream however the work on it ends.
struct DeflateStream {
    z_stream zs{};
    explicit DeflateStream(int level) {
        CheckCompress(deflateInit2(&zs, level, Z_DEFLATED, kRawWindowBits, kMemLevel, Z_DEFAULT_STRATEGY));
    }
    ~DeflateStream() { deflateEnd(&zs); }
};

struct InflateStreamGuard {
    z_stream zs{};
    explicit InflateStreamGuard(int windowBits) { CheckDecompress(inflateInit2(&zs, windowBits)); }
    ~InflateStreamGuard() { inflateEnd(&zs); }
};

// Raw deflate data of `data` at `level`, ended by `flush` (Z_FULL_FLUSH or Z_FINISH).
std::string Deflate(std::string_view data, int level, int flush) {
    DeflateStream d(level);
    std::string out(deflateBound(&d.zs, static_cast<uLong>(data.size())) + 16, '\0');
    d.zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    d.zs.avail_in = static_cast<uInt>(data.size());
    for (;;) {
        d.zs.next_out = reinterpret_cast<Bytef*>(out.data() + d.zs.total_out);
        d.zs.avail_out = static_cast<uInt>(out.size() - d.zs.total_out);
        const int result = CheckCompress(deflate(&d.zs, flush));
        if (result == Z_STREAM_END || (flush != Z_FINISH && d.zs.avail_out != 0)) break;
        out.resize(out.size() * 2);
    }
    out.resize(d.zs.total_out);
    return out;
}

std::size_t StoredSize(std::size_t length) {
    const std::size_t blocks = std::max<std::size_t>(1, (length + kStoredBlockMax - 1) / kStoredBlockMax);
    return length + blocks * kStoredBlockHeader;
}

bool HardlySmaller(std::size_t deflated, std::size_t original) {
    return static_cast<double>(deflated) >= kWorthDeflating * static_cast<double>(StoredSize(original));
}

// Deflate's stored blocks of at most `blockMax` bytes, each also ending at
// the next of the sorted `cuts`; the last one is the stream's final block
// when `last`.
std::string StoredBlocks(std::string_view data, bool last, std::size_t blockMax = kStoredBlockMax,
                         const std::vector<std::size_t>& cuts = {}) {
    std::string out;
    out.reserve(StoredSize(data.size()) + cuts.size() * kStoredBlockHeader);
    std::size_t at = 0;
    auto nextCut = cuts.begin();
    do {
        while (nextCut != cuts.end() && *nextCut <= at) ++nextCut;
        std::size_t n = std::min(blockMax, data.size() - at);
        if (nextCut != cuts.end()) n = std::min(n, *nextCut - at);
        const bool final = last && at + n == data.size();
        const char header[kStoredBlockHeader] = {static_cast<char>(final ? 1 : 0), static_cast<char>(n & 0xFF),
                                                 static_cast<char>(n >> 8), static_cast<char>(~n & 0xFF),
                                                 static_cast<char>((~n >> 8) & 0xFF)};
        out.append(header, sizeof header);
        out.append(data.substr(at, n));
        at += n;
    } while (at < data.size());
    return out;
}

// Samples spread over the chunk, each deflated at the fastest level: true
// when even together they hardly shrink.
bool SamplesLookIncompressible(std::string_view data) {
    if (data.size() < kSampleCount * kSampleSize * 2) return false;
    const std::size_t step = (data.size() - kSampleSize) / (kSampleCount - 1);
    std::size_t deflated = 0;
    for (std::size_t i = 0; i < kSampleCount; ++i)
        deflated += Deflate(data.substr(i * step, kSampleSize), Z_BEST_SPEED, Z_FINISH).size();
    return HardlySmaller(deflated, kSampleCount * kSampleSize);
}

bool HoldsAny(std::string_view bytes, std::initializer_list<std::string_view> sequences) {
    for (std::string_view s : sequences)
        if (bytes.find(s) != std::string_view::npos) return true;
    return false;
}

// The middle of every place the data holds one of the sequences, in order.
std::vector<std::size_t> CutsInside(std::string_view data, std::initializer_list<std::string_view> sequences) {
    std::vector<std::size_t> cuts;
    for (std::string_view s : sequences)
        for (std::size_t at = data.find(s); at != std::string_view::npos; at = data.find(s, at + 1))
            cuts.push_back(at + s.size() / 2);
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

// The chunk again, for content that holds a sequence that must never be
// raw: deflated at the levels beside its own, which make other bits,
// else stored in blocks cut inside every occurrence. A block's header can
// join the bytes around it into a sequence only for some lengths; smaller
// blocks give others.
void AvoidRawSequences(DeflatedChunk& chunk, std::string_view data, bool last,
                       std::initializer_list<std::string_view> neverRaw, int level) {
    if (!chunk.stored) {
        for (int beside : {level - 1, level + 1}) {
            if (beside < Z_BEST_SPEED || beside > Z_BEST_COMPRESSION) continue;
            std::string deflated = Deflate(data, beside, last ? Z_FINISH : Z_FULL_FLUSH);
            if (!HoldsAny(deflated, neverRaw)) {
                chunk.bytes = std::move(deflated);
                return;
            }
        }
    }
    const std::vector<std::size_t> cuts = CutsInside(data, neverRaw);
    for (std::size_t blockMax : {kStoredBlockMax, std::size_t(0xCCFF), std::size_t(4096), std::size_t(255)}) {
        std::string stored = StoredBlocks(data, last, blockMax, cuts);
        if (!HoldsAny(stored, neverRaw)) {
            chunk.bytes = std::move(stored);
            chunk.stored = true;
            return;
        }
    }
    throw EZCompressionError(ZLibResultText(Z_STREAM_ERROR));
}

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

DeflatedChunk DeflateChunk(std::string_view data, bool last, std::initializer_list<std::string_view> neverRaw,
                           int level) {
    DeflatedChunk chunk;
    chunk.adler = Adler32(data);
    if (SamplesLookIncompressible(data)) {
        chunk.bytes = StoredBlocks(data, last);
        chunk.stored = true;
    } else {
        chunk.bytes = Deflate(data, level, last ? Z_FINISH : Z_FULL_FLUSH);
        if (HardlySmaller(chunk.bytes.size(), data.size())) {
            chunk.bytes = StoredBlocks(data, last);
            chunk.stored = true;
        }
    }
    if (HoldsAny(chunk.bytes, neverRaw)) AvoidRawSequences(chunk, data, last, neverRaw, level);
    return chunk;
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
