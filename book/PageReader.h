// A page of a book (or any block of it, such as the search index) read at
// any offset: a chunked page through its access index, a piece at a time,
// the pieces read last kept (the latest first) and every chunk inflated by
// one inflate stream kept for the reader; any other page inflated whole
// once and read from memory. Reads of one reader come from one thread at a
// time; the reader keeps its book open.
#pragma once

#include "Book.h"
#include "Chunks.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace book {

class PageReader {
public:
    struct Pieces {
        std::uint64_t size = 4u << 20;  // what one read of a chunked page inflates (whole chunks)
        std::size_t kept = 1;           // how many such pieces are kept
    };

    // The page `name` of the book when its block reads: a chunked page with
    // its last chunk (and the first `headLength` bytes) checked now, any
    // other page inflated whole within the output limit. Nothing when there
    // is no such block or it does not read; never raises.
    static std::optional<PageReader> Open(std::shared_ptr<const Book> book, std::string name, Pieces pieces,
                                          std::uint64_t headLength = 0);

    const std::string& Name() const { return block_.name; }
    std::uint64_t Size() const { return size_; }
    // The first bytes asked for at the opening (fewer when the page is shorter).
    const std::string& Head() const { return head_; }
    // The whole page when it is not chunked, handed over once; else nothing.
    std::optional<std::string> TakeWhole();

    // Copies up to `most` of the bytes from `offset` into `into`, at most to
    // the end of a piece; 0 at or past the end. Raises
    // ZLibEx::EZDecompressionError when the page turns out damaged.
    std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t most);

private:
    PageReader(std::shared_ptr<const Book> book, SimExe::StoredBlock block, Pieces pieces);
    const std::string& PieceAt(std::uint64_t start);

    std::shared_ptr<const Book> book_;
    SimExe::StoredBlock block_;
    Pieces pieces_;
    std::uint64_t size_ = 0;
    std::string head_;
    std::optional<std::string> whole_;
    std::unique_ptr<ZLibEx::ChunkInflater> inflater_ = std::make_unique<ZLibEx::ChunkInflater>();
    std::list<std::pair<std::uint64_t, std::string>> read_;  // start, bytes; the latest first
};

}  // namespace book
