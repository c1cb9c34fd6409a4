// Compression wrapper over zlib.
#include "ZLibEx.h"

#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

namespace ZLibEx {

namespace {

constexpr int kMethod = Z_DEFLATED;
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;
constexpr std::size_t kCompressGrowth = 256;

// zlib counts its input and output in 32-bit units; larger strings are fed
// and drained in slices of at most this size.
constexpr std::size_t kMaxSlice = 1u << 30;

std::size_t RoundUp256(std::size_t n) { return (n + 255) & ~std::size_t(255); }

// An eighth of the physical memory: a page at the limit is held a few times
// over on its way to the web view, next to the eBook itself. Never more than
// a quarter of the address space.
std::size_t MachineOutputLimit() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    constexpr std::size_t addressSpaceShare = SIZE_MAX / 4;
    if (pages <= 0 || pageSize <= 0) return std::size_t(1) << 30;
    const std::uintmax_t eighth = static_cast<std::uintmax_t>(pages) * static_cast<std::uintmax_t>(pageSize) / 8;
    return static_cast<std::size_t>(std::min<std::uintmax_t>(eighth, addressSpaceShare));
}

// The most room a decompression under the limit ever needs: one byte more
// than the limit tells a stream that goes on past it.
std::size_t RoomUnder(std::size_t limit) { return limit == SIZE_MAX ? limit : limit + 1; }

std::atomic<std::size_t>& ChosenOutputLimit() {
    static std::atomic<std::size_t> limit{0};
    return limit;
}

// Owns the output buffer while it grows; released to the caller on success.
class GrowingBuffer {
public:
    explicit GrowingBuffer(std::size_t size) { Resize(size); }
    ~GrowingBuffer() { std::free(data_); }
    GrowingBuffer(const GrowingBuffer&) = delete;
    GrowingBuffer& operator=(const GrowingBuffer&) = delete;

    char* data() const { return data_; }
    std::size_t size() const { return size_; }

    // Grows or shrinks the buffer, keeping its contents. A size of 0 leaves no allocation.
    void Resize(std::size_t size) {
        if (size == 0) {
            std::free(data_);
            data_ = nullptr;
        } else {
            void* p = std::realloc(data_, size);
            if (!p) throw std::bad_alloc();
            data_ = static_cast<char*>(p);
        }
        size_ = size;
    }

    ZBuffer Release(std::size_t length) {
        Resize(length);
        ZBuffer out;
        out.data.reset(data_);
        out.length = length;
        data_ = nullptr;
        size_ = 0;
        return out;
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

// Feeds the next slice of input to the stream once the previous one is used up.
void RefillInput(z_stream& zs, const Bytef*& next, std::size_t& remaining) {
    if (zs.avail_in != 0 || remaining == 0) return;
    std::size_t slice = std::min(remaining, kMaxSlice);
    zs.next_in = const_cast<Bytef*>(next);
    zs.avail_in = static_cast<uInt>(slice);
    next += slice;
    remaining -= slice;
}

// Points the stream's output at the unused tail of the buffer. zlib refuses
// a null output pointer outright, so an empty buffer points at a byte with no
// room: zlib then reports that it cannot progress ("buffer error").
void PointOutput(z_stream& zs, GrowingBuffer& buf, std::size_t produced) {
    static Bytef noRoom;
    zs.next_out = buf.data() ? reinterpret_cast<Bytef*>(buf.data() + produced) : &noRoom;
    zs.avail_out = static_cast<uInt>(std::min(buf.size() - produced, kMaxSlice));
}

}  // namespace

int ZLibLevel(TZCompressionLevel level) {
    switch (level) {
        case lvNone: return 0;
        case lvFastest: return 1;
        case lvDefault: return Z_DEFAULT_COMPRESSION;
        case lvMaximum: return 9;
    }
    return Z_DEFAULT_COMPRESSION;
}

const char* ZLibResultText(int result) {
    switch (result) {
        case 2: return "need dictionary";
        case 1: return "stream end";
        case 0: return "";
        case -1: return "file error";
        case -2: return "stream error";
        case -3: return "data error";
        case -4: return "insufficient memory";
        case -5: return "buffer error";
        case -6: return "incompatible version";
    }
    return "unknown error";
}

std::size_t OutputLimit() {
    static const std::size_t machine = MachineOutputLimit();
    const std::size_t chosen = ChosenOutputLimit().load();
    return chosen != 0 ? chosen : machine;
}

void SetOutputLimit(std::size_t bytes) { ChosenOutputLimit().store(bytes); }

int CheckCompress(int result) {
    if (result < 0) throw EZCompressionError(ZLibResultText(result));
    return result;
}

int CheckDecompress(int result) {
    if (result < 0) throw EZDecompressionError(ZLibResultText(result));
    return result;
}

namespace {

// One direction of zlib: its step (deflate or inflate with the flush to
// use), its end call and the check that turns failures into exceptions.
struct Direction {
    int (*step)(z_streamp, int);
    int (*end)(z_streamp);
    int (*check)(int);
    bool finishWithLastInput;  // deflate is told when the input is complete
};

// Runs an initialised stream to its end over the whole input, growing the
// output by `growth` bytes whenever its room runs out. Output beyond `limit`
// bytes fails as "insufficient memory", before the buffer grows further. The
// stream is ended in every case, also when a step raises; the buffer then
// frees itself.
ZBuffer RunToStreamEnd(z_stream& zs, const Direction& d, const void* in, std::size_t inLength, GrowingBuffer& buf,
                       std::size_t growth, std::size_t limit) {
    struct End {
        z_stream& zs;
        int (*end)(z_streamp);
        bool ended = false;
        ~End() {
            if (!ended) end(&zs);
        }
    } guard{zs, d.end};

    const Bytef* next = static_cast<const Bytef*>(in);
    std::size_t remaining = inLength;
    RefillInput(zs, next, remaining);
    PointOutput(zs, buf, 0);
    auto flush = [&] { return d.finishWithLastInput && remaining == 0 ? Z_FINISH : Z_NO_FLUSH; };
    const std::size_t room = RoomUnder(limit);
    for (;;) {
        const int result = d.check(d.step(&zs, flush()));
        if (zs.total_out > limit) d.check(Z_MEM_ERROR);
        if (result == Z_STREAM_END) break;
        // A stream that asks for a preset dictionary cannot go on: without
        // this it would be asked again and again for ever.
        if (result == Z_NEED_DICT) d.check(Z_DATA_ERROR);
        RefillInput(zs, next, remaining);
        if (zs.avail_out == 0) {
            if (zs.total_out == buf.size()) buf.Resize(std::min(buf.size() + growth, room));
            PointOutput(zs, buf, zs.total_out);
        }
    }
    const std::size_t produced = zs.total_out;
    guard.ended = true;
    d.check(d.end(&zs));
    return buf.Release(produced);
}

}  // namespace

ZBuffer CompressBuffer(const void* in, std::size_t inLength, TZCompressionLevel level) {
    GrowingBuffer buf(RoundUp256(inLength + inLength / 10 + 12));
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    CheckCompress(deflateInit2(&zs, ZLibLevel(level), kMethod, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY));
    return RunToStreamEnd(zs, {deflate, deflateEnd, CheckCompress, true}, in, inLength, buf, kCompressGrowth,
                          SIZE_MAX);
}

ZBuffer DecompressBuffer(const void* in, std::size_t inLength, std::size_t sizeEstimate, std::size_t outputLimit) {
    const std::size_t limit = outputLimit != 0 ? outputLimit : OutputLimit();
    const std::size_t growth = RoundUp256(inLength);
    GrowingBuffer buf(std::min(sizeEstimate != 0 ? sizeEstimate : growth, RoomUnder(limit)));
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    CheckDecompress(inflateInit(&zs));
    return RunToStreamEnd(zs, {inflate, inflateEnd, CheckDecompress, false}, in, inLength, buf, growth, limit);
}

std::string CompressString(const std::string& s, TZCompressionLevel level) {
    ZBuffer b = CompressBuffer(s.data(), s.size(), level);
    return std::string(b.data.get(), b.length);
}

std::string DecompressString(const std::string& s, std::size_t outputLimit) {
    ZBuffer b = DecompressBuffer(s.data(), s.size(), 0, outputLimit);
    return std::string(b.data.get(), b.length);
}

}  // namespace ZLibEx
