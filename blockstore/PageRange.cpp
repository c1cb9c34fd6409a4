// Byte ranges of pages, through the access index or the whole stream.
#include "PageRange.h"

#include "Chunks.h"
#include "ZLibEx.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace SimExe {

namespace {

// The end of the range [offset, offset + length) within a page of `size`
// bytes, and a range larger than one decompression may make refused.
std::uint64_t RangeEnd(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    if (offset >= size) return offset;
    const std::uint64_t end = offset + std::min(length, size - offset);
    if (end - offset > ZLibEx::OutputLimit()) throw ZLibEx::EZDecompressionError(ZLibEx::ZLibResultText(-4));
    return end;
}

// An index block inflates to a few bytes per megabyte of its page.
constexpr std::size_t kLargestIndex = 16u << 20;

// Inflates chunk `i` of the page into `into`, checked against its size and
// Adler-32 (a sealed chunk's seal vouches for its bytes already); raises
// EAccessIndexError when it does not match.
void InflateIndexedChunk(std::string_view payload, const AccessIndex& index, std::size_t i, char* into,
                         const SealedBlock* sealed, ZLibEx::ChunkInflater& inflater) {
    const ChunkEntry& c = index.chunks[i];
    const std::uint64_t size = index.ContentEnd(i) - c.fileOffset;
    std::string_view raw = payload.substr(c.payloadOffset, index.PayloadEnd(i, payload.size()) - c.payloadOffset);
    if (index.sealed) {
        // Each thread opens its chunks into one buffer, kept from chunk to chunk.
        thread_local std::string opened;
        if (!sealed || !sealed->seal.OpenInto(raw, sealed->name, i, opened))
            throw EAccessIndexError("chunk " + std::to_string(i) + " does not open");
        raw = opened;
    }
    if (!inflater.Inflate(raw, i + 1 == index.chunks.size(), into, size) ||
        (!index.sealed && ZLibEx::Adler32(std::string_view(into, size)) != c.adler))
        throw EAccessIndexError("chunk " + std::to_string(i) + " does not match its access index");
}

}  // namespace

std::optional<AccessIndex> AccessIndexOf(std::string_view indexBlock, std::uint64_t payloadSize,
                                         const SealedBlock* sealed) {
    try {
        std::optional<std::string> opened;
        if (sealed) {
            opened = sealed->seal.Open(indexBlock, AccessIndexName(sealed->name), BlockSeal::kWholeBlock);
            if (!opened) return std::nullopt;
            indexBlock = *opened;
        }
        const ZLibEx::ZBuffer raw = ZLibEx::DecompressBuffer(indexBlock.data(), indexBlock.size(), 0, kLargestIndex);
        std::optional<AccessIndex> index = DecodeAccessIndex(std::string_view(raw.data.get(), raw.length), payloadSize);
        if (index && index->sealed != (sealed != nullptr)) return std::nullopt;
        return index;
    } catch (const ZLibEx::EZLibError&) {
        return std::nullopt;
    }
}

PageBytes ReadRangeByIndex(std::string_view payload, const AccessIndex& index, std::uint64_t offset,
                           std::uint64_t length, const SealedBlock* sealed, ZLibEx::ChunkInflater* inflater) {
    std::optional<ZLibEx::ChunkInflater> own;
    ZLibEx::ChunkInflater& inflate = inflater ? *inflater : own.emplace();
    PageBytes out;
    out.pageSize = index.fileSize;
    const std::uint64_t end = RangeEnd(offset, length, index.fileSize);
    std::unique_ptr<char[]> partial;
    const auto buffer = [&](std::uint64_t size) {
        partial.reset(new char[std::max<std::uint64_t>(size, 1)]);
        return partial.get();
    };
    // The last chunk that starts at or before the offset.
    const auto after = std::upper_bound(index.chunks.begin(), index.chunks.end(), offset,
                                        [](std::uint64_t at, const ChunkEntry& c) { return at < c.fileOffset; });
    std::size_t i = static_cast<std::size_t>(after - index.chunks.begin()) - 1;
    out.payloadFrom = index.chunks[i].payloadOffset;
    out.payloadTo = index.PayloadEnd(i, payload.size());
    if (end > offset) {
        out.bytes.resize(static_cast<std::size_t>(end - offset));
        for (; i < index.chunks.size() && index.chunks[i].fileOffset < end; ++i) {
            const ChunkEntry& c = index.chunks[i];
            const std::uint64_t contentEnd = index.ContentEnd(i);
            out.payloadTo = index.PayloadEnd(i, payload.size());
            // A chunk wholly inside the range is inflated in place; one the
            // range cuts goes through a buffer of its own first.
            if (c.fileOffset >= offset && contentEnd <= end) {
                InflateIndexedChunk(payload, index, i, out.bytes.data() + (c.fileOffset - offset), sealed, inflate);
                continue;
            }
            char* const into = buffer(contentEnd - c.fileOffset);
            InflateIndexedChunk(payload, index, i, into, sealed, inflate);
            const std::uint64_t from = std::max(offset, c.fileOffset), to = std::min(end, contentEnd);
            std::copy(into + (from - c.fileOffset), into + (to - c.fileOffset), out.bytes.data() + (from - offset));
        }
    }
    // The page's size rests on the last chunk: it is checked when the range
    // did not read it.
    const std::size_t last = index.chunks.size() - 1;
    if (i <= last)
        InflateIndexedChunk(payload, index, last, buffer(index.fileSize - index.chunks[last].fileOffset), sealed, inflate);
    return out;  // the last chunk, read for its check only, is a few pages
}

void CheckAccessIndex(std::string_view payload, const AccessIndex& index, const SealedBlock* sealed) {
    std::uint64_t largest = 0;
    for (std::size_t i = 0; i < index.chunks.size(); ++i)
        largest = std::max(largest, index.ContentEnd(i) - index.chunks[i].fileOffset);
    std::unique_ptr<char[]> buffer(new char[std::max<std::uint64_t>(largest, 1)]);
    ZLibEx::ChunkInflater inflater;
    for (std::size_t i = 0; i < index.chunks.size(); ++i)
        InflateIndexedChunk(payload, index, i, buffer.get(), sealed, inflater);
}

PageBytes ReadPageRange(std::string_view payload, std::optional<std::string_view> accessIndexBlock,
                        std::uint64_t offset, std::uint64_t length, const SealedBlock* sealed) {
    const std::optional<AccessIndex> index =
        accessIndexBlock ? AccessIndexOf(*accessIndexBlock, payload.size(), sealed) : std::nullopt;
    return ReadPageRange(payload, index ? &*index : nullptr, offset, length, sealed);
}

PageBytes ReadPageRange(std::string_view payload, const AccessIndex* index, std::uint64_t offset,
                        std::uint64_t length, const SealedBlock* sealed, ZLibEx::ChunkInflater* inflater) {
    if (index) {
        try {
            return ReadRangeByIndex(payload, *index, offset, length, sealed, inflater);
        } catch (const EAccessIndexError&) {
            // The index does not fit the stream: the stream itself decides
            // (a page of sealed chunks then does not open whole: damaged).
        }
    }
    PageBytes out;
    out.payloadTo = payload.size();
    std::string opened;
    if (sealed) {
        opened = OpenSealedBlock(sealed->seal, payload, sealed->name);
        payload = opened;
    }
    std::uint64_t at = 0;
    const std::uint64_t wanted = std::min(length, UINT64_MAX - offset);
    out.pageSize = ZLibEx::InflateStream(payload, [&](std::string_view piece) {
        const std::uint64_t pieceEnd = at + piece.size();
        if (pieceEnd > offset && at < offset + wanted) {
            const std::uint64_t from = std::max(at, offset), to = std::min(pieceEnd, offset + wanted);
            RangeEnd(offset, to - offset, UINT64_MAX);  // refuses a range past the decompression limit
            out.bytes.append(piece.substr(from - at, to - from));
        }
        at = pieceEnd;
    });
    return out;
}

}  // namespace SimExe
