// Byte ranges of a page: the bytes from an offset on, read from a page
// block's zlib stream without inflating more than needed. A chunked page is
// read through its access index, inflating only the chunks the range
// touches, each checked against its size and Adler-32; any other page (or
// one whose index is damaged or lies) is inflated from the start, as a
// stream, keeping only the range.
#pragma once

#include "AccessIndex.h"
#include "BlockSeal.h"
#include "Chunks.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace SimExe {

struct PageBytes {
    std::string bytes;          // the range, cut short at the page's end
    std::uint64_t pageSize = 0;  // the whole page's length
    // The part of the payload that was read for it: [payloadFrom, payloadTo).
    std::uint64_t payloadFrom = 0, payloadTo = 0;
};

// An access index that does not match its page's stream.
class EAccessIndexError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A block a protected book keeps sealed (see BlockSeal.h): its seal, and the
// name its payload (and its access index) are bound to.
struct SealedBlock {
    const BlockSeal& seal;
    std::string_view name;
};

// Up to `length` bytes from `offset` through the index alone; raises
// EAccessIndexError naming the first chunk that does not match (or, sealed,
// does not open).
// The chunks go through `inflater` when one is given (a reader of many
// ranges keeps one), else through one of their own.
PageBytes ReadRangeByIndex(std::string_view payload, const AccessIndex& index, std::uint64_t offset,
                           std::uint64_t length, const SealedBlock* sealed = nullptr,
                           ZLibEx::ChunkInflater* inflater = nullptr);

// Inflates every chunk once, each against its entry, as a check of the
// whole index; raises EAccessIndexError naming the first that does not match.
void CheckAccessIndex(std::string_view payload, const AccessIndex& index, const SealedBlock* sealed = nullptr);

// The access index of a page from its index block's payload, checked
// against the page's payload size; nothing when it is damaged (or, for a
// sealed page, does not open or is not one of sealed chunks).
std::optional<AccessIndex> AccessIndexOf(std::string_view indexBlock, std::uint64_t payloadSize,
                                         const SealedBlock* sealed = nullptr);

// Up to `length` bytes from `offset` of the page whose block payload is
// `payload`, with the access index block's payload when the page has one.
// Raises EZDecompressionError when the page is damaged (or does not open).
PageBytes ReadPageRange(std::string_view payload, std::optional<std::string_view> accessIndexBlock,
                        std::uint64_t offset, std::uint64_t length, const SealedBlock* sealed = nullptr);

// The same with the access index already decoded (or none).
PageBytes ReadPageRange(std::string_view payload, const AccessIndex* index, std::uint64_t offset,
                        std::uint64_t length, const SealedBlock* sealed = nullptr,
                        ZLibEx::ChunkInflater* inflater = nullptr);

}  // namespace SimExe
