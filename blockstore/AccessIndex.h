// The access index of a chunked page: where each chunk of the page block's
// zlib stream starts in the payload and in the file, so that a byte range
// of the page can be read by inflating only the chunks it touches. It is a
// block of our own, named AccessIndexName(page), compressed like a setting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SimExe {

// "/zorbin/access/" + the page's name. No page name starts with "/".
std::string AccessIndexName(std::string_view pageName);

struct ChunkEntry {
    std::uint64_t payloadOffset = 0;  // of its first byte in the page block's payload
    std::uint64_t fileOffset = 0;     // of its first byte in the page's content
    std::uint32_t adler = 1;          // Adler-32 of its content
    bool stored = false;              // as deflate's stored blocks
};

struct AccessIndex {
    std::uint64_t fileSize = 0;
    std::vector<ChunkEntry> chunks;
    // The chunks of a protected book's page are sealed one by one and stand
    // one after the other, with no zlib header or trailer around them.
    bool sealed = false;

    // A chunk's extent in the content and in the payload (of `payloadSize`
    // bytes, the zlib trailer at its end unless sealed).
    std::uint64_t ContentEnd(std::size_t chunk) const;
    std::uint64_t PayloadEnd(std::size_t chunk, std::uint64_t payloadSize) const;
};

// The index's bytes before compression.
std::string EncodeAccessIndex(const AccessIndex& index);

// Reads an index back and checks it against the page block's payload size:
// a known format, at least one chunk, the first chunk right behind the zlib
// header (at the payload's start when sealed) and at the content's start,
// offsets strictly increasing, every chunk inside the payload before its
// trailer and inside the content.
// Nothing when any of it fails.
std::optional<AccessIndex> DecodeAccessIndex(std::string_view bytes, std::uint64_t payloadSize);

}  // namespace SimExe
