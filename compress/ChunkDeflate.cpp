// Chunks deflated with libdeflate.
#include "ChunkDeflate.h"

#include "ZLibEx.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

namespace ZLibEx {

namespace {

constexpr int kLowestLevel = 1, kHighestLevel = 12;
constexpr std::size_t kStoredBlockMax = 65535;
constexpr std::size_t kStoredBlockHeader = 5;

// A chunk is stored when deflate saves less than this share of a stored copy.
constexpr double kWorthDeflating = 0.97;
// Samples taken before deflating a chunk in full: data they show as
// incompressible is stored without spending a whole deflate on it.
constexpr std::size_t kSampleCount = 4;
constexpr std::size_t kSampleSize = 16 << 10;

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const noexcept { libdeflate_free_compressor(c); }
};

// The calling thread's compressor for a level, made at its first use: a
// compressor is large to set up and serves one thread at a time.
libdeflate_compressor& CompressorAt(int level) {
    if (level < kLowestLevel || level > kHighestLevel) throw EZCompressionError(ZLibResultText(Z_STREAM_ERROR));
    thread_local std::array<std::unique_ptr<libdeflate_compressor, CompressorFree>, kHighestLevel + 1> compressors;
    auto& compressor = compressors[static_cast<std::size_t>(level)];
    if (!compressor) compressor.reset(libdeflate_alloc_compressor(level));
    if (!compressor) throw EZCompressionError(ZLibResultText(Z_MEM_ERROR));
    return *compressor;
}

// Complete raw deflate data of `data`, ending with the final block, in the
// calling thread's room for it, valid until its next call. Deflating there
// and copying out only what it made keeps a chunk's bytes no larger than
// they are, however far the worst case is above them.
std::string_view DeflateWhole(std::string_view data, int level) {
    libdeflate_compressor& compressor = CompressorAt(level);
    thread_local std::unique_ptr<char[]> room;
    thread_local std::size_t roomSize = 0;
    const std::size_t bound = libdeflate_deflate_compress_bound(&compressor, data.size());
    if (roomSize < bound) {
        room.reset(new char[bound]);
        roomSize = bound;
    }
    const std::size_t size = libdeflate_deflate_compress(&compressor, data.data(), data.size(), room.get(), bound);
    if (size == 0) throw EZCompressionError(ZLibResultText(Z_BUF_ERROR));
    return {room.get(), size};
}

// Where the final block of complete raw deflate data begins, in bits from
// the data's start, and how many bits after its end pad the last byte.
struct FinalBlock {
    std::size_t headerBit = 0;
    int padBits = 0;
};

// Found by zlib's inflate stopping at the end of every block: each end
// tells where the next block begins, and whether the block that ended was
// the final one.
FinalBlock FindFinalBlock(std::string_view raw) {
    if (raw.size() > UINT_MAX / 8) throw EZCompressionError(ZLibResultText(Z_BUF_ERROR));
    struct Inflating {
        z_stream zs{};
        Inflating() { CheckDecompress(inflateInit2(&zs, -15)); }
        ~Inflating() { inflateEnd(&zs); }
    } in;
    constexpr std::size_t kScratch = 64 << 10;
    const std::unique_ptr<Bytef[]> scratch(new Bytef[kScratch]);
    in.zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    in.zs.avail_in = static_cast<uInt>(raw.size());
    FinalBlock block;
    for (;;) {
        in.zs.next_out = scratch.get();
        in.zs.avail_out = kScratch;
        const int result = inflate(&in.zs, Z_BLOCK);
        if (result != Z_OK && result != Z_BUF_ERROR) CheckDecompress(result == Z_STREAM_END ? Z_DATA_ERROR : result);
        const int state = in.zs.data_type;
        const bool blockEnded = (state & 128) != 0, finalBlock = (state & 64) != 0;
        if (blockEnded) {
            const int unusedBits = state & 7;
            if (finalBlock) return {block.headerBit, unusedBits};
            block.headerBit = in.zs.total_in * 8 - static_cast<std::size_t>(unusedBits);
        } else if (result == Z_BUF_ERROR && in.zs.avail_out != 0) {
            CheckDecompress(Z_DATA_ERROR);  // the data ends inside a block
        }
    }
}

// The most bytes EndWithoutFinalBlock adds.
constexpr std::size_t kFlushTail = 5;

// Lets complete raw deflate data go on into more: its final block becomes
// an ordinary one, and an empty stored block ends it on a byte boundary, as
// zlib's full flush ends its output. The stored block's three header bits
// fill the padding after the last block where it has room for them.
void EndWithoutFinalBlock(std::string& raw) {
    const FinalBlock final = FindFinalBlock(raw);
    auto& header = reinterpret_cast<unsigned char&>(raw[final.headerBit / 8]);
    header = static_cast<unsigned char>(header & ~(1u << (final.headerBit % 8)));
    auto& lastByte = reinterpret_cast<unsigned char&>(raw.back());
    lastByte = static_cast<unsigned char>(lastByte & (0xFFu >> final.padBits));
    if (final.padBits < 3) raw += '\0';
    raw.append("\0\0\xFF\xFF", 4);
}

// Raw deflate data of a chunk at `level`: the last chunk ends with the
// final block, the others as EndWithoutFinalBlock leaves them.
std::string Deflate(std::string_view data, int level, bool last) {
    const std::string_view whole = DeflateWhole(data, level);
    std::string raw;
    raw.reserve(whole.size() + (last ? 0 : kFlushTail));
    raw.assign(whole);
    if (!last) EndWithoutFinalBlock(raw);
    return raw;
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
// when even together they hardly shrink. Once those deflated so far shrank
// enough that the rest could not change the answer, even deflated to their
// worst case, the rest are not deflated.
bool SamplesLookIncompressible(std::string_view data) {
    if (data.size() < kSampleCount * kSampleSize * 2) return false;
    const std::size_t step = (data.size() - kSampleSize) / (kSampleCount - 1);
    const std::size_t worstCase = libdeflate_deflate_compress_bound(&CompressorAt(kLowestLevel), kSampleSize);
    std::size_t deflated = 0;
    for (std::size_t i = 0; i < kSampleCount; ++i) {
        if (!HardlySmaller(deflated + (kSampleCount - i) * worstCase, kSampleCount * kSampleSize))
            return false;
        deflated += DeflateWhole(data.substr(i * step, kSampleSize), kLowestLevel).size();
    }
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
            if (beside < kLowestLevel || beside > kHighestLevel) continue;
            std::string deflated = Deflate(data, beside, last);
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

}  // namespace

DeflatedChunk DeflateChunk(std::string_view data, bool last, std::initializer_list<std::string_view> neverRaw,
                           int level) {
    DeflatedChunk chunk;
    chunk.adler = static_cast<std::uint32_t>(libdeflate_adler32(1, data.data(), data.size()));
    const bool sampledIncompressible = SamplesLookIncompressible(data);
    if (!sampledIncompressible) chunk.bytes = Deflate(data, level, last);
    if (sampledIncompressible || HardlySmaller(chunk.bytes.size(), data.size())) {
        chunk.bytes = StoredBlocks(data, last);
        chunk.stored = true;
    }
    if (HoldsAny(chunk.bytes, neverRaw)) AvoidRawSequences(chunk, data, last, neverRaw, level);
    return chunk;
}

}  // namespace ZLibEx
