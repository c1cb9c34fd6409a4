// The access index's bytes: a tag and version (2 when the chunks are
// sealed), the content's size and the chunk count, then per chunk its
// payload offset, content offset, Adler-32 and flags, all little-endian.
#include "AccessIndex.h"

#include "Chunks.h"
#include "LittleEndian.h"

namespace SimExe {

namespace {

constexpr char kFormatTag[] = "ZBAX";
constexpr std::size_t kTagSize = 4;
constexpr unsigned char kVersion = 1, kSealedVersion = 2;
constexpr std::size_t kHeaderSize = kTagSize + 1 + 8 + 8;
constexpr std::size_t kEntrySize = 8 + 8 + 4 + 1;
constexpr unsigned char kStoredFlag = 1;

// No chunk the compiler writes comes near these; an index that claims more
// is not believed, so a lying one cannot make a reader allocate at will.
constexpr std::uint64_t kLargestChunk = 64u << 20;
std::uint64_t LargestDeflatedSize(std::uint64_t content) { return content + content / 8 + 1024; }

// The zlib header and trailer around the chunks, which sealed chunks lack.
std::uint64_t HeaderSize(bool sealed) { return sealed ? 0 : ZLibEx::kZlibHeaderSize; }
std::uint64_t TrailerSize(bool sealed) { return sealed ? 0 : ZLibEx::kZlibTrailerSize; }

}  // namespace

std::string AccessIndexName(std::string_view pageName) { return "/zorbin/access/" + std::string(pageName); }

std::uint64_t AccessIndex::ContentEnd(std::size_t chunk) const {
    return chunk + 1 < chunks.size() ? chunks[chunk + 1].fileOffset : fileSize;
}

std::uint64_t AccessIndex::PayloadEnd(std::size_t chunk, std::uint64_t payloadSize) const {
    return chunk + 1 < chunks.size() ? chunks[chunk + 1].payloadOffset : payloadSize - TrailerSize(sealed);
}

std::string EncodeAccessIndex(const AccessIndex& index) {
    std::string out(kFormatTag, kTagSize);
    out += static_cast<char>(index.sealed ? kSealedVersion : kVersion);
    base::AppendLittleEndian<std::uint64_t>(out, index.fileSize);
    base::AppendLittleEndian<std::uint64_t>(out, index.chunks.size());
    for (const ChunkEntry& c : index.chunks) {
        base::AppendLittleEndian<std::uint64_t>(out, c.payloadOffset);
        base::AppendLittleEndian<std::uint64_t>(out, c.fileOffset);
        base::AppendLittleEndian<std::uint32_t>(out, c.adler);
        base::AppendLittleEndian<std::uint8_t>(out, c.stored ? kStoredFlag : 0);
    }
    return out;
}

std::optional<AccessIndex> DecodeAccessIndex(std::string_view bytes, std::uint64_t payloadSize) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, kTagSize) != std::string_view(kFormatTag, kTagSize))
        return std::nullopt;
    const unsigned char version = static_cast<unsigned char>(bytes[kTagSize]);
    if (version != kVersion && version != kSealedVersion) return std::nullopt;
    std::size_t at = kTagSize + 1;
    AccessIndex index;
    index.sealed = version == kSealedVersion;
    const std::uint64_t header = HeaderSize(index.sealed), trailer = TrailerSize(index.sealed);
    index.fileSize = base::ReadLittleEndian<std::uint64_t>(bytes, at);
    const std::uint64_t count = base::ReadLittleEndian<std::uint64_t>(bytes, at);
    if (count == 0 || count > (bytes.size() - kHeaderSize) / kEntrySize ||
        bytes.size() != kHeaderSize + count * kEntrySize)
        return std::nullopt;
    if (payloadSize < header + trailer + count) return std::nullopt;
    index.chunks.resize(count);
    for (ChunkEntry& c : index.chunks) {
        c.payloadOffset = base::ReadLittleEndian<std::uint64_t>(bytes, at);
        c.fileOffset = base::ReadLittleEndian<std::uint64_t>(bytes, at);
        c.adler = base::ReadLittleEndian<std::uint32_t>(bytes, at);
        const std::uint8_t flags = base::ReadLittleEndian<std::uint8_t>(bytes, at);
        if (flags & ~kStoredFlag) return std::nullopt;
        c.stored = flags == kStoredFlag;
    }
    if (index.chunks[0].payloadOffset != header || index.chunks[0].fileOffset != 0) return std::nullopt;
    const std::uint64_t payloadEnd = payloadSize - trailer;
    for (std::size_t i = 0; i < index.chunks.size(); ++i) {
        const ChunkEntry& c = index.chunks[i];
        const std::uint64_t contentEnd = index.ContentEnd(i), rawEnd = index.PayloadEnd(i, payloadSize);
        if (contentEnd <= c.fileOffset || contentEnd > index.fileSize || rawEnd <= c.payloadOffset ||
            rawEnd > payloadEnd)
            return std::nullopt;
        const std::uint64_t content = contentEnd - c.fileOffset, raw = rawEnd - c.payloadOffset;
        if (content > kLargestChunk || raw > LargestDeflatedSize(content)) return std::nullopt;
    }
    return index;
}

}  // namespace SimExe
