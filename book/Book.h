// One opened eBook: its bytes (a read-only mapping of its file), the index
// of its blocks, the key of a protected book once its password has opened
// it, and what is derived from its blocks (their access indexes). Everything
// that reads a book is handed the Book it reads: the viewer's window and
// page answers, the media the web process plays, whole-book search and the
// compiler's commands. Two books can be open side by side in one process.
// Safe to read from several threads at once.
#pragma once

#include "BlockStore.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace protect {
class BookKey;
}

namespace book {

class Book {
public:
    // The eBook in the file at `path`. Raises SimExe::EFOpenError when it
    // cannot be read.
    static std::shared_ptr<Book> Open(const std::string& path);
    // The running program's own file (the file SimExe::SetOwnImageFile set
    // instead, in tests of whole programs), found through /proc even when it
    // was renamed or replaced since it started.
    static std::shared_ptr<Book> OwnProgram();
    // A book held in memory.
    static std::shared_ptr<Book> OfBytes(std::string bytes);

    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    // The file the book was opened from, by a name another process of the
    // same user opens it by too; empty for a book held in memory.
    const std::string& Path() const { return path_; }
    std::string_view Bytes() const { return store_->View(); }
    // The block lookup (see SimExe::FindBlock), through the book's index.
    std::optional<std::string_view> Find(std::string_view name) const { return store_->Find(name); }
    // Find, looking no further than `beyond` bytes past what the index has
    // seen (see SimExe::TBlockIndex::FindNear).
    std::optional<std::string_view> FindNear(std::string_view name, std::size_t beyond) const {
        return store_->FindNear(name, beyond);
    }
    // The block, ready to read at any offset (see SimExe::StoredBlock).
    std::optional<SimExe::StoredBlock> Block(std::string_view name) const { return store_->Block(name); }
    // The decompressed content of a block, opened with the key when it is
    // sealed; false when there is none. Raises ZLibEx's errors when damaged.
    bool ReadBlock(std::string_view name, std::string& value) const { return store_->ReadBlock(name, value); }
    // The names of its blocks in the book's order, folded (see
    // TBlockStore::BlockNames): no block's content is read.
    std::vector<std::string> BlockNames() const { return store_->BlockNames(); }
    // Completes the block index on a thread of its own (see TBlockStore).
    void IndexInBackground() const { store_->IndexInBackground(); }
    // Whether the index has seen every block: a lookup then scans nothing.
    bool Indexed() const { return store_->IndexedTo() >= store_->size(); }

    // The key that opens a protected book's sealed blocks, once the
    // password has given it; none before, and none in other books.
    void SetKey(std::shared_ptr<const protect::BookKey> key);
    std::shared_ptr<const protect::BookKey> Key() const;

private:
    Book() = default;

    // Internally synchronized: reading a const Book fills its index. Its
    // seal, when it has one, is the book's key (only SetKey sets it).
    std::string path_;
    std::unique_ptr<SimExe::TBlockStore> store_ = std::make_unique<SimExe::TBlockStore>();
};

}  // namespace book
