// A read-only SQLite VFS over chunked blocks.
#include "IndexFile.h"

#include "Ascii.h"
#include "PageReader.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>

namespace search {

namespace {

// What one read of the block inflates (a chunk of the compiler's), and how
// many such pieces are kept.
constexpr book::PageReader::Pieces kPieces{kIndexChunkSize, 64};

struct BlockFile {
    sqlite3_file base;
    book::PageReader* block;
};

book::PageReader& BlockOf(sqlite3_file* file) { return *reinterpret_cast<BlockFile*>(file)->block; }

int Close(sqlite3_file* file) {
    delete reinterpret_cast<BlockFile*>(file)->block;
    return SQLITE_OK;
}

// Reads go piece by piece; past the block's end they read zeros, as SQLite
// expects of a short file.
int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    book::PageReader& block = BlockOf(file);
    auto* out = static_cast<char*>(buffer);
    std::uint64_t at = static_cast<std::uint64_t>(offset);
    const std::uint64_t end = at + static_cast<std::uint64_t>(amount);
    try {
        while (at < std::min(end, block.Size())) {
            const std::size_t n = block.ReadAt(at, out, static_cast<std::size_t>(std::min(end, block.Size()) - at));
            if (n == 0) break;  // the block is shorter than it said
            out += n;
            at += n;
        }
    } catch (...) {
        return SQLITE_IOERR_READ;  // a damaged block
    }
    if (at == end) return SQLITE_OK;
    std::memset(out, 0, static_cast<std::size_t>(end - at));
    return SQLITE_IOERR_SHORT_READ;
}

int ReadOnly(sqlite3_file*, const void*, int, sqlite3_int64) { return SQLITE_READONLY; }
int Truncate(sqlite3_file*, sqlite3_int64) { return SQLITE_READONLY; }
int Sync(sqlite3_file*, int) { return SQLITE_OK; }
int FileSize(sqlite3_file* file, sqlite3_int64* size) {
    *size = static_cast<sqlite3_int64>(BlockOf(file).Size());
    return SQLITE_OK;
}
int Lock(sqlite3_file*, int) { return SQLITE_OK; }
int CheckReservedLock(sqlite3_file*, int* reserved) {
    *reserved = 0;
    return SQLITE_OK;
}
int FileControl(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
int SectorSize(sqlite3_file*) { return 4096; }
int DeviceCharacteristics(sqlite3_file*) { return SQLITE_IOCAP_IMMUTABLE; }

// Version 1: no shared memory, no memory mapping.
const sqlite3_io_methods kMethods = {
    .iVersion = 1,
    .xClose = Close,
    .xRead = Read,
    .xWrite = ReadOnly,
    .xTruncate = Truncate,
    .xSync = Sync,
    .xFileSize = FileSize,
    .xLock = Lock,
    .xUnlock = Lock,
    .xCheckReservedLock = CheckReservedLock,
    .xFileControl = FileControl,
    .xSectorSize = SectorSize,
    .xDeviceCharacteristics = DeviceCharacteristics,
    .xShmMap = nullptr,
    .xShmLock = nullptr,
    .xShmBarrier = nullptr,
    .xShmUnmap = nullptr,
    .xFetch = nullptr,
    .xUnfetch = nullptr,
};

// Only the database itself is opened, and only blocks with a size.
int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    file->pMethods = nullptr;
    if (!name || !(flags & SQLITE_OPEN_MAIN_DB) || (flags & SQLITE_OPEN_READWRITE)) return SQLITE_CANTOPEN;
    const auto& files = *static_cast<const BlockFileSystem*>(vfs->pAppData);
    book::PageReader* block = nullptr;
    try {
        std::optional<book::PageReader> reader = book::PageReader::Open(files.SharedBook(), name, kPieces);
        if (!reader) return SQLITE_CANTOPEN;
        block = new (std::nothrow) book::PageReader(std::move(*reader));
    } catch (...) {
        return SQLITE_CANTOPEN;
    }
    if (!block) return SQLITE_NOMEM;
    reinterpret_cast<BlockFile*>(file)->block = block;
    file->pMethods = &kMethods;
    if (outFlags) *outFlags = SQLITE_OPEN_READONLY;
    return SQLITE_OK;
}

int Delete(sqlite3_vfs*, const char*, int) { return SQLITE_IOERR_DELETE; }
// No journal or other file beside a block exists.
int Access(sqlite3_vfs*, const char*, int, int* result) {
    *result = 0;
    return SQLITE_OK;
}
int FullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    if (static_cast<int>(std::strlen(name)) >= size) return SQLITE_CANTOPEN;
    std::strcpy(out, name);
    return SQLITE_OK;
}
// Randomness, sleep and the time come from SQLite's own file system.
int Randomness(sqlite3_vfs*, int size, char* out) {
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    return real->xRandomness(real, size, out);
}
int Sleep(sqlite3_vfs*, int microseconds) {
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    return real->xSleep(real, microseconds);
}
int CurrentTime(sqlite3_vfs*, double* now) {
    sqlite3_vfs* real = sqlite3_vfs_find(nullptr);
    return real->xCurrentTime(real, now);
}
int LastError(sqlite3_vfs*, int, char*) { return 0; }

}  // namespace

BlockFileSystem::BlockFileSystem(std::shared_ptr<const book::Book> book)
    : book_(std::move(book)), name_("zorbin-block-" + std::to_string(reinterpret_cast<std::uintptr_t>(this))),
      vfs_{
          .iVersion = 1,
          .szOsFile = sizeof(BlockFile),
          .mxPathname = 1024,
          .pNext = nullptr,
          .zName = name_.c_str(),
          .pAppData = this,
          .xOpen = Open,
          .xDelete = Delete,
          .xAccess = Access,
          .xFullPathname = FullPathname,
          .xDlOpen = nullptr,
          .xDlError = nullptr,
          .xDlSym = nullptr,
          .xDlClose = nullptr,
          .xRandomness = Randomness,
          .xSleep = Sleep,
          .xCurrentTime = CurrentTime,
          .xGetLastError = LastError,
          .xCurrentTimeInt64 = nullptr,
          .xSetSystemCall = nullptr,
          .xGetSystemCall = nullptr,
          .xNextSystemCall = nullptr,
      } {
    sqlite3_vfs_register(&vfs_, 0);
}

BlockFileSystem::~BlockFileSystem() { sqlite3_vfs_unregister(&vfs_); }

std::string BlockFileUri(const std::string& blockName) {
    // Characters a URI path cannot carry are escaped; SQLite decodes them.
    std::string uri = "file:";
    for (unsigned char c : blockName) {
        if (ascii::IsAlnum(static_cast<char>(c)) || std::strchr("/-._~", c)) {
            uri += static_cast<char>(c);
        } else {
            static const char hex[] = "0123456789ABCDEF";
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?immutable=1";
}

}  // namespace search
