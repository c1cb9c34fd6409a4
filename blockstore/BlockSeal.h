// The seal a password-protected book keeps its blocks under. Every block
// but the few a reader needs before the password (the title, the toolbar
// flags and the password's check) is sealed: whole, or chunk by chunk when
// it has an access index, with its name and chunk number bound in, so that
// a changed byte, a block under another name or two chunks swapped never
// open. A book without a password has no seal, and nothing is sealed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace SimExe {

class BlockSeal {
public:
    // The `part` of a block sealed whole; chunks are numbered from 0.
    static constexpr std::uint64_t kWholeBlock = UINT64_MAX;

    virtual ~BlockSeal() = default;
    // The sealed form of a block's payload (or of one chunk of it). Each
    // `variant` seals the same bytes differently (see SealPayload).
    virtual std::string Seal(std::string_view plain, std::string_view blockName, std::uint64_t part,
                             std::uint32_t variant = 0) const = 0;
    // The payload back into `plain` (whose room is used again); false when
    // the sealed bytes were changed, cut, or belong to another name or part.
    // Safe from several threads at once.
    virtual bool OpenInto(std::string_view sealed, std::string_view blockName, std::uint64_t part,
                          std::string& plain) const = 0;
    std::optional<std::string> Open(std::string_view sealed, std::string_view blockName, std::uint64_t part) const {
        std::string plain;
        if (!OpenInto(sealed, blockName, part, plain)) return std::nullopt;
        return plain;
    }
};

// Whether a protected book keeps the block of this name sealed: all but
// "ctoolbar", "cproject" and "cpass", in any letter case.
bool IsSealedBlockName(std::string_view blockName);

// Seals a payload (or one chunk of it) so that no block marker's tag stands
// in the sealed bytes, also where they follow `before` (the chunk sealed
// just ahead of them): sealed bytes look random, and a tag in them would
// cut the block short. Deterministic, like the seal.
std::string SealPayload(const BlockSeal& seal, std::string_view plain, std::string_view blockName, std::uint64_t part,
                        std::string_view before = {});

// A block sealed whole, opened; raises ZLibEx::EZDecompressionError, as a
// damaged block does, when it does not open.
std::string OpenSealedBlock(const BlockSeal& seal, std::string_view payload, std::string_view blockName);

}  // namespace SimExe
