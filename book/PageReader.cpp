// Pages read at any offset, a piece at a time.
#include "PageReader.h"

#include "ZLibEx.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace book {

PageReader::PageReader(std::shared_ptr<const Book> book, SimExe::StoredBlock block, Pieces pieces)
    : book_(std::move(book)), block_(std::move(block)), pieces_(pieces) {
    pieces_.size = std::max<std::uint64_t>(std::min<std::uint64_t>(pieces_.size, ZLibEx::OutputLimit()), 1);
    pieces_.kept = std::max<std::size_t>(pieces_.kept, 1);
}

std::optional<PageReader> PageReader::Open(std::shared_ptr<const Book> book, std::string name, Pieces pieces,
                                           std::uint64_t headLength) {
    try {
        std::optional<SimExe::StoredBlock> block = book->Block(name);
        if (!block) return std::nullopt;
        PageReader reader(std::move(book), std::move(*block), pieces);
        if (!reader.book_->Find(SimExe::AccessIndexName(reader.Name()))) {
            std::string bytes;
            if (!reader.book_->ReadBlock(reader.Name(), bytes)) return std::nullopt;
            reader.size_ = bytes.size();
            reader.head_ = bytes.substr(0, headLength);
            reader.whole_ = std::move(bytes);
            return reader;
        }
        const std::uint64_t head = std::min<std::uint64_t>(headLength, ZLibEx::OutputLimit());
        SimExe::PageBytes probe = reader.block_.Read(0, head, reader.inflater_.get());
        reader.size_ = probe.pageSize;
        reader.head_ = std::move(probe.bytes);
        return reader;
    } catch (const ZLibEx::EZLibError&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return std::nullopt;
}

std::optional<std::string> PageReader::TakeWhole() { return std::exchange(whole_, std::nullopt); }

std::size_t PageReader::ReadAt(std::uint64_t offset, char* into, std::size_t most) {
    if (offset >= size_ || most == 0) return 0;
    if (whole_) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(most, size_ - offset));
        std::memcpy(into, whole_->data() + offset, n);
        return n;
    }
    const std::uint64_t start = offset - offset % pieces_.size;
    const std::string& piece = PieceAt(start);
    // A chunked page reaches past the offset, else it is damaged.
    if (offset - start >= piece.size()) throw ZLibEx::EZDecompressionError("the page ends before its announced size");
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(most, piece.size() - (offset - start)));
    std::memcpy(into, piece.data() + (offset - start), n);
    return n;
}

const std::string& PageReader::PieceAt(std::uint64_t start) {
    for (auto it = read_.begin(); it != read_.end(); ++it) {
        if (it->first != start) continue;
        read_.splice(read_.begin(), read_, it);
        return read_.front().second;
    }
    SimExe::PageBytes piece = block_.Read(start, std::min(pieces_.size, size_ - start), inflater_.get());
    read_.emplace_front(start, std::move(piece.bytes));
    if (read_.size() > pieces_.kept) read_.pop_back();
    return read_.front().second;
}

}  // namespace book
