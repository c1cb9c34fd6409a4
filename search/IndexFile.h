// The index database read in place from its chunked block: a read-only
// SQLite VFS whose files are blocks of the block store, each read through
// the block's range reads a chunk at a time, the chunks read last kept. A
// query reads only the database pages it needs, and nothing of the index
// is held whole or written anywhere.
#pragma once

#include <cstddef>
#include <string>

namespace search {

// The chunks the compiler cuts the index block into: one is read at a time.
inline constexpr std::size_t kIndexChunkSize = 64 * 1024;
// ... and the level they are deflated at: on the index's data, level 4 comes
// within 1 % of level 6's size in half its time.
inline constexpr int kIndexDeflateLevel = 4;

// The name of the VFS, registered with SQLite the first time it is asked for.
const char* BlockFileSystem();

// The URI that opens the block `blockName` through it, read only.
std::string BlockFileUri(const std::string& blockName);

}  // namespace search
