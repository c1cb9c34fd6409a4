// The block store's bytes and the index its lookups go through.
#pragma once

#include "BlockSeal.h"
#include "PageRange.h"

#include <sys/stat.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace SimExe {

// A block as it stands in the container, found by walking the blocks in the
// order they are stored; or why none stands where it was looked for.
struct LaidOutBlock {
    enum class Break { None, NoStartMarker, StartMarkerCut, NoEndMarker };
    Break broken = Break::None;
    std::size_t offset = 0;    // of its start marker
    std::string name;          // as its start marker carries it (when there is one)
    std::string_view payload;  // up to the first end marker of its name
    std::size_t end = 0;       // just past that end marker
};

// Finds blocks in an unchanging container with exactly the results of the
// linear block lookup (FindBlock), but scans the container at most once:
// every marker tag is recorded the first time the scan passes it, and the
// scan goes only as far as the lookups so far have needed. Safe to use from
// several threads at once.
class TBlockIndex {
public:
    explicit TBlockIndex(std::string_view container) : container_(container) {}

    std::optional<std::string_view> Find(std::string_view name);
    // Find, when the block's start marker stands in what is scanned now or
    // in the next `beyond` bytes; nothing otherwise, whatever lies further.
    std::optional<std::string_view> FindNear(std::string_view name, std::size_t beyond);
    // The block whose start marker stands at `offset`.
    LaidOutBlock BlockAt(std::size_t offset);
    // Where the first start marker from `from` on stands whose name (not
    // empty, at most 4096 bytes, without a NUL) has an end marker after it;
    // the container's size when there is none.
    std::size_t FirstBlockFrom(std::size_t from);
    // Scans one more stretch; returns how far the container is scanned now.
    std::size_t ScanMore();
    // How far the container is scanned now.
    std::size_t ScannedTo();

private:
    // Where a name's first start marker is, and, once asked, its payload's end.
    struct Entry {
        static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
        std::size_t start;
        std::size_t end = kUnknown;
    };
    bool ScanStretch();  // with mutex_ held; false when there was nothing left
    Entry* FirstStart(const std::string& folded);
    // The first end marker of the name at or after `begin`, with mutex_ held.
    std::optional<std::size_t> NextEndMarker(const std::string& folded, std::size_t begin);

    std::string_view container_;
    std::mutex mutex_;
    std::size_t scannedTo_ = 0;                              // every tag before this is recorded
    // Hashes every lookup, even in a small table: the standard string hash
    // would have a table of a few names compared one by one instead.
    struct NameHash {
        std::size_t operator()(const std::string& name) const { return std::hash<std::string_view>{}(name); }
    };
    std::unordered_map<std::string, Entry, NameHash> starts_;  // by folded name
    std::vector<std::size_t> endTags_;                       // every end tag, in order
};

class TBlockStore;

// A block as its readers need it: its payload in the store's bytes, its
// access index (decoded once for those bytes; none when it has none, or a
// damaged one) and the seal it is read through (none when it is not sealed).
// Valid as long as the store's bytes do not change.
struct StoredBlock {
    const TBlockStore* store;
    std::string name;
    std::string_view payload;
    std::shared_ptr<const std::optional<AccessIndex>> accessIndex;
    std::shared_ptr<const BlockSeal> seal;

    const AccessIndex* Index() const { return *accessIndex ? &**accessIndex : nullptr; }
    // Up to `length` bytes of the content from `offset`, through the access
    // index when there is one (see ReadPageRange); what it read of a mapped
    // file does not stay resident. Raises EZDecompressionError when the
    // block is damaged (or does not open).
    PageBytes Read(std::uint64_t offset, std::uint64_t length, ZLibEx::ChunkInflater* inflater = nullptr) const;
};

// A store of blocks: the process-wide one, or an opened book's. Bytes it owns (built by appending, or read
// from a file), or a read-only mapping of a file, which keeps only the pages
// in use resident. Lookups go through a TBlockIndex over the current bytes;
// any change starts a fresh one.
class TBlockStore {
public:
    TBlockStore() = default;
    TBlockStore(const TBlockStore&) = delete;
    TBlockStore& operator=(const TBlockStore&) = delete;
    ~TBlockStore();

    std::string_view View() const { return mapped_ ? std::string_view(mapped_, mappedSize_) : owned_; }
    bool empty() const { return View().empty(); }
    std::size_t size() const { return View().size(); }

    TBlockStore& operator=(std::string bytes);
    void clear() { *this = std::string(); }
    TBlockStore& operator+=(std::string_view bytes);
    void reserve(std::size_t capacity);
    // Hands the bytes over to the caller and leaves the store empty.
    std::string Take();
    // Replaces the store with a read-only mapping of the open file; false
    // (store unchanged) when the file cannot be mapped. The mapping and its
    // index are kept when the store already maps that very file unchanged.
    bool MapFile(int fd);

    // The block lookup on the store, through the index; the pages of a
    // mapping it scans do not stay resident.
    std::optional<std::string_view> Find(std::string_view name);
    // See TBlockIndex::FindNear.
    std::optional<std::string_view> FindNear(std::string_view name, std::size_t beyond);
    // The block of this name, ready to read; nothing when there is none.
    std::optional<StoredBlock> Block(std::string_view name);
    // The names of the blocks as they stand one after another from the
    // first one on, folded as their markers carry them; the walk ends where
    // the layout breaks. Only the markers are read, through the index; the
    // pages of a mapping it scans do not stay resident.
    std::vector<std::string> BlockNames();
    // The decompressed payload of a block into `value`, opened first when
    // it is sealed (a sealed chunked block chunk by chunk); false when there
    // is no such block. Raises ZLibEx's errors when it is damaged.
    bool ReadBlock(std::string_view name, std::string& value);
    // Up to `length` bytes of a block's content from `offset` (see
    // StoredBlock::Read); nothing when there is no such block.
    std::optional<PageBytes> ReadRange(std::string_view name, std::uint64_t offset, std::uint64_t length);

    // How far the index has scanned the bytes so far.
    std::size_t IndexedTo() { return Index().ScannedTo(); }
    // Completes the index on a thread of its own at idle priority, so that
    // later lookups need no scan; the pages it scans are not kept resident.
    void IndexInBackground();
    // Lets the memory pages wholly inside `part` (a view of the store's
    // bytes) go from a mapping, once read: they come back from the file
    // when read again. Does nothing to bytes the store owns.
    void ReleasePages(std::string_view part) const;

    // A value derived from the current bytes, made by `make` the first time
    // `key` is asked for and kept until the bytes change, so that readers
    // do not derive it again on every read. Safe from several threads.
    std::shared_ptr<const void> Derived(const std::string& key,
                                        const std::function<std::shared_ptr<const void>()>& make);

    // The seal of a protected book's blocks, once its key is known; without
    // one (the default) every block is read as it stands. Setting it drops
    // what was derived from the blocks.
    void SetSeal(std::shared_ptr<const BlockSeal> seal);
    std::shared_ptr<const BlockSeal> Seal() const;
    // The seal over the block of this name: none in a book without a seal,
    // and none for the blocks a protected book leaves open.
    std::shared_ptr<const BlockSeal> SealOf(std::string_view blockName) const;

private:
    // The index of the current bytes, made when first needed, also when
    // threads look up blocks side by side.
    TBlockIndex& Index();
    // Lets the pages of a mapping go that the index scanned from `scannedBefore` on.
    void ReleaseScannedSince(TBlockIndex& index, std::size_t scannedBefore) const;
    void Changing();       // ends background indexing and drops the index
    void Unmap();

    std::string owned_;
    const char* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
    struct stat mappedFile_ {};  // which file, of what size and time
    std::unique_ptr<TBlockIndex> index_;
    std::mutex indexMaking_;
    std::mutex derivedMaking_;
    std::unordered_map<std::string, std::shared_ptr<const void>> derived_;
    mutable std::mutex sealSetting_;
    std::shared_ptr<const BlockSeal> seal_;
    std::thread indexer_;
    std::atomic<bool> stopIndexing_{false};
};

}  // namespace SimExe
