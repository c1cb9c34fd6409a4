// The index database read in place from its chunked block: a read-only
// SQLite VFS whose files are blocks of one book, each read through the
// block's range reads a chunk at a time, the chunks read last kept. A query
// reads only the database pages it needs, and nothing of the index is held
// whole or written anywhere.
#pragma once

#include "Book.h"

#include <sqlite3.h>

#include <cstddef>
#include <memory>
#include <string>

namespace search {

// The chunks the compiler cuts the index block into: one is read at a time.
inline constexpr std::size_t kIndexChunkSize = 64 * 1024;
// ... and the level they are deflated at: the index's data (mostly varints)
// shrinks by a third at any level; level 1 comes within 1 % of level 4's
// size in two thirds of its time, and the index is deflated after its last
// page, when nothing else is left to do.
inline constexpr int kIndexDeflateLevel = 1;

// The VFS over the blocks of `book`, registered with SQLite under a name of
// its own for as long as it lives (databases opened through it must close
// first), so that books open side by side each have theirs. The book is
// reached through the VFS's app data.
class BlockFileSystem {
public:
    explicit BlockFileSystem(std::shared_ptr<const book::Book> book);
    ~BlockFileSystem();
    BlockFileSystem(const BlockFileSystem&) = delete;
    BlockFileSystem& operator=(const BlockFileSystem&) = delete;

    const char* Name() const { return name_.c_str(); }
    const book::Book& Book() const { return *book_; }
    const std::shared_ptr<const book::Book>& SharedBook() const { return book_; }

private:
    std::shared_ptr<const book::Book> book_;
    std::string name_;
    sqlite3_vfs vfs_;
};

// The URI that opens the block `blockName` through it, read only.
std::string BlockFileUri(const std::string& blockName);

}  // namespace search
