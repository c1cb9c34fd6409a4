// Which blocks of a protected book are sealed, and their sealing and opening
// around the seal itself.
#include "BlockSeal.h"

#include "ChunkedBlock.h"
#include "SettingKeys.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <zlib.h>

#include <algorithm>

namespace SimExe {

bool IsSealedBlockName(std::string_view blockName) {
    const std::string folded = FoldName(blockName);
    return folded != FoldName(kToolbarKey) && folded != FoldName(kTitleKey) && folded != FoldName(kPasswordKey);
}

std::string SealPayload(const BlockSeal& seal, std::string_view plain, std::string_view blockName, std::uint64_t part,
                        std::string_view before) {
    const std::string_view tail = before.substr(before.size() - std::min<std::size_t>(before.size(), 3));
    for (std::uint32_t variant = 0;; ++variant) {
        std::string sealed = seal.Seal(plain, blockName, part, variant);
        const std::string joined = std::string(tail) + sealed.substr(0, 3);
        const auto holdsTag = [&](std::string_view bytes) {
            return bytes.find(StartTag()) != std::string_view::npos || bytes.find(EndTag()) != std::string_view::npos;
        };
        if (!holdsTag(sealed) && !holdsTag(joined)) return sealed;
    }
}

std::string OpenSealedBlock(const BlockSeal& seal, std::string_view payload, std::string_view blockName) {
    std::optional<std::string> opened = seal.Open(payload, blockName, BlockSeal::kWholeBlock);
    if (!opened) throw ZLibEx::EZDecompressionError(ZLibEx::ZLibResultText(Z_DATA_ERROR));
    return std::move(*opened);
}

}  // namespace SimExe
