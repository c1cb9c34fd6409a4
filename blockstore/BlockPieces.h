// A block read at any offset through byte ranges, a piece at a time: pieces
// start at multiples of their size (so each covers whole chunks of a
// chunked block), and the last few read are kept, the latest first, so that
// reads near one another inflate nothing twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <utility>

namespace SimExe {

class BlockPieces {
public:
    // Reads the block of this name up to `end`, holding at most `kept` pieces.
    BlockPieces(std::string blockName, std::uint64_t end, std::uint64_t pieceSize, std::size_t kept = 1);

    // Copies up to `most` of the bytes from `offset` (before the end) into
    // `into`, at most to the end of their piece; 0 when the block ends before
    // `offset` after all. Raises ZLibEx::EZDecompressionError when the block
    // is damaged or gone.
    std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t most);

private:
    const std::string& PieceAt(std::uint64_t start);

    std::string blockName_;
    std::uint64_t end_, pieceSize_;
    std::size_t kept_;
    std::list<std::pair<std::uint64_t, std::string>> pieces_;  // start, bytes; the latest first
};

}  // namespace SimExe
