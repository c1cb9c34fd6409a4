// Pieces of a block, read by range and kept a while.
#include "BlockPieces.h"

#include "PageRange.h"
#include "ZLibEx.h"

#include <algorithm>
#include <cstring>

namespace SimExe {

BlockPieces::BlockPieces(std::string blockName, std::uint64_t end, std::uint64_t pieceSize, std::size_t kept)
    : blockName_(std::move(blockName)), end_(end),
      pieceSize_(std::max<std::uint64_t>(std::min<std::uint64_t>(pieceSize, ZLibEx::OutputLimit()), 1)),
      kept_(std::max<std::size_t>(kept, 1)) {}

std::size_t BlockPieces::ReadAt(std::uint64_t offset, char* into, std::size_t most) {
    const std::uint64_t start = offset - offset % pieceSize_;
    const std::string& piece = PieceAt(start);
    if (offset - start >= piece.size()) return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(most, piece.size() - (offset - start)));
    std::memcpy(into, piece.data() + (offset - start), n);
    return n;
}

const std::string& BlockPieces::PieceAt(std::uint64_t start) {
    for (auto it = pieces_.begin(); it != pieces_.end(); ++it) {
        if (it->first != start) continue;
        pieces_.splice(pieces_.begin(), pieces_, it);
        return pieces_.front().second;
    }
    std::optional<PageBytes> read = ReadBlockRange(blockName_, start, std::min(pieceSize_, end_ - start));
    if (!read) throw ZLibEx::EZDecompressionError("the block is gone");
    pieces_.emplace_front(start, std::move(read->bytes));
    if (pieces_.size() > kept_) pieces_.pop_back();
    return pieces_.front().second;
}

}  // namespace SimExe
