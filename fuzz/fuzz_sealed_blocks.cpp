// Fuzz target: a protected book's blocks and password record from arbitrary
// bytes. The first byte chooses what the rest is:
//   0: a password record. One that reads never asks for more than a reader
//      pays; a cheap one is unlocked with a fixed password (never run: an
//      absurd cost).
//   1: a sealed block, opened under a fixed key with an arbitrary name and
//      part; what seals under the key opens back to itself.
//   2: a page read by range through a sealed access index: offset and
//      length (2 bytes each), the index's length (2 bytes) and bytes (sealed
//      here under the fixed key), then the page's payload. Whatever is read
//      lies within the range and the page.
#include "BookKey.h"
#include "PageRange.h"
#include "ZLibEx.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::uint64_t Read16(const std::uint8_t* p) { return p[0] | (std::uint64_t(p[1]) << 8); }

const protect::BookKey& FixedKey() {
    static const std::unique_ptr<protect::BookKey> key = protect::BookKey::FromBytes(std::string(32, '\x5A'));
    return *key;
}

void Record(std::string_view bytes) {
    const std::optional<protect::PasswordRecord> record = protect::DecodePasswordRecord(bytes);
    if (!record) return;
    if (!protect::IsAcceptableCost(record->cost) || record->cost.memoryKiB > (1u << 20)) std::abort();
    // Only what a fuzzer can afford is run: a few kilobytes, a pass or two.
    if (record->cost.memoryKiB <= 256 && record->cost.passes <= 2) protect::BookKey::Unlock(*record, "password");
}

void Sealed(std::string_view bytes) {
    const std::string name(bytes.substr(0, std::min<std::size_t>(bytes.size(), 8)));
    const std::uint64_t part = bytes.size() % 3 == 0 ? SimExe::BlockSeal::kWholeBlock : bytes.size() % 5;
    FixedKey().Open(bytes, name, part);
    const std::optional<std::string> back = FixedKey().Open(FixedKey().Seal(bytes, name, part), name, part);
    if (!back || *back != bytes) std::abort();
}

void Range(std::string_view bytes) {
    if (bytes.size() < 6) return;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::uint64_t offset = Read16(p), length = Read16(p + 2) * 7;
    const std::size_t indexLength = std::min<std::size_t>(Read16(p + 4), bytes.size() - 6);
    const std::string indexBytes(bytes.substr(6, indexLength));
    const std::string_view payload = bytes.substr(6 + indexLength);
    const std::string name = "page";
    const std::string sealedIndex = FixedKey().Seal(ZLibEx::CompressString(indexBytes, ZLibEx::lvFastest),
                                                    SimExe::AccessIndexName(name), SimExe::BlockSeal::kWholeBlock);
    const SimExe::SealedBlock sealed{FixedKey(), name};
    try {
        const SimExe::PageBytes got = SimExe::ReadPageRange(payload, sealedIndex, offset, length, &sealed);
        if (got.bytes.size() > length) std::abort();
        if (!got.bytes.empty() && offset + got.bytes.size() > got.pageSize) std::abort();
    } catch (const ZLibEx::EZDecompressionError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
        case 0: Record(rest); break;
        case 1: Sealed(rest); break;
        default: Range(rest); break;
    }
    return 0;
}
