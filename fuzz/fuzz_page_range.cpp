// Fuzz target: the range call on arbitrary page payloads and access
// indexes. The input is: offset (2 bytes), length (2 bytes), the index's
// length (2 bytes), the index's bytes (before compression), then the
// payload. Whatever a range read returns lies within the range and within
// the page; when the payload is a sound stream and no index reads, the range
// is exactly its slice, and a range of a sound stream never fails.
#include "PageRange.h"
#include "ZLibEx.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::uint64_t Read16(const std::uint8_t* p) { return p[0] | (std::uint64_t(p[1]) << 8); }

void CheckBounds(const SimExe::PageBytes& got, std::uint64_t offset, std::uint64_t length) {
    if (got.bytes.size() > length) std::abort();
    if (!got.bytes.empty() && offset + got.bytes.size() > got.pageSize) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const std::uint64_t offset = Read16(data), length = Read16(data + 2) * 7;
    const std::size_t indexLength = std::min<std::size_t>(Read16(data + 4), size - 6);
    const std::string indexBytes(reinterpret_cast<const char*>(data + 6), indexLength);
    const std::string payload(reinterpret_cast<const char*>(data + 6 + indexLength), size - 6 - indexLength);

    std::optional<std::string> whole;
    try {
        whole = ZLibEx::DecompressString(payload);
    } catch (const ZLibEx::EZDecompressionError&) {
    }
    const auto index = SimExe::DecodeAccessIndex(indexBytes, payload.size());
    if (index) {
        try {
            CheckBounds(SimExe::ReadRangeByIndex(payload, *index, offset, length), offset, length);
        } catch (const SimExe::EAccessIndexError&) {
        } catch (const ZLibEx::EZDecompressionError&) {
        }
    }
    try {
        const SimExe::PageBytes got =
            SimExe::ReadPageRange(payload, ZLibEx::CompressString(indexBytes, ZLibEx::lvFastest), offset, length);
        CheckBounds(got, offset, length);
        // Only a crafted index, one that names Adler-32 sums of its own for
        // bytes the stream never makes there, could get past the checks.
        if (whole && !index && got.bytes != whole->substr(std::min<std::size_t>(offset, whole->size()), length))
            std::abort();
    } catch (const ZLibEx::EZDecompressionError&) {
        if (whole) {
            // A sound stream read whole never fails its ranges.
            std::abort();
        }
    }
    return 0;
}
