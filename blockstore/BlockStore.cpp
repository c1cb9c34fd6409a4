// The block store's bytes, their mapping, and the lookup index.
#include "BlockStore.h"

#include "SimExe.h"
#include "ZLibEx.h"

#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace SimExe {

namespace {

// How much of the container one scan step covers.
constexpr std::size_t kStretch = 1 << 20;
// Longer names (and names holding the name terminator) are looked up by a
// plain scan; no page name comes near this.
constexpr std::size_t kLongestIndexedName = 4096;
constexpr std::size_t kTagLength = 4;

// The tags and the name terminator, taken from the marker builders so that
// no complete tag appears here either.
const std::string& StartTag() { static const std::string tag = StartMarker("").substr(0, kTagLength); return tag; }
const std::string& EndTag() { static const std::string tag = EndMarker(""); return tag; }
char NameEnd() { static const char end = StartMarker("").back(); return end; }

}  // namespace

// Every tag holds a '!' (the start tag at its third byte, the end tag at its
// first), so one pass over the '!' bytes finds them all, overlapping ones
// included. A start tag is recorded under the bytes up to the first name
// terminator after it: exactly the names whose start marker is there.
bool TBlockIndex::ScanStretch() {
    const std::size_t size = container_.size();
    if (scannedTo_ >= size) return false;
    const std::size_t to = std::min(size, scannedTo_ + kStretch);
    const char* const base = container_.data();
    const char* const startTag = StartTag().data();
    const char* const endTag = EndTag().data();
    const char nameEnd = NameEnd();
    for (const char* p = base + scannedTo_;
         (p = static_cast<const char*>(std::memchr(p, '!', static_cast<std::size_t>(base + to - p)))); ++p) {
        const std::size_t at = static_cast<std::size_t>(p - base);
        if (at >= 2 && at + 2 <= size && std::memcmp(p - 2, startTag, kTagLength) == 0) {
            const std::size_t nameAt = at + 2;
            const std::size_t searchEnd = std::min(size, nameAt + kLongestIndexedName + 1);
            if (const void* end = std::memchr(base + nameAt, nameEnd, searchEnd - nameAt))
                starts_.try_emplace(std::string(base + nameAt, static_cast<const char*>(end)), Entry{at - 2});
        }
        if (at + kTagLength <= size && std::memcmp(p, endTag, kTagLength) == 0) endTags_.push_back(at);
    }
    scannedTo_ = to;
    return true;
}

TBlockIndex::Entry* TBlockIndex::FirstStart(const std::string& folded) {
    for (;;) {
        if (auto found = starts_.find(folded); found != starts_.end()) return &found->second;
        if (!ScanStretch()) return nullptr;
    }
}

std::optional<std::size_t> TBlockIndex::NextEndMarker(const std::string& folded, std::size_t begin) {
    std::size_t next = static_cast<std::size_t>(std::lower_bound(endTags_.begin(), endTags_.end(), begin) - endTags_.begin());
    for (;;) {
        for (; next < endTags_.size(); ++next)
            if (container_.compare(endTags_[next] + kTagLength, folded.size(), folded) == 0) return endTags_[next];
        if (!ScanStretch()) return std::nullopt;
    }
}

std::optional<std::string_view> TBlockIndex::Find(std::string_view name) {
    const std::string folded = FoldName(name);
    if (folded.size() > kLongestIndexedName || folded.find(NameEnd()) != std::string::npos)
        return FindBlock(container_, name);
    std::lock_guard lock(mutex_);
    Entry* const entry = FirstStart(folded);
    if (!entry) return std::nullopt;
    const std::size_t begin = entry->start + kTagLength + folded.size() + 1;
    // Without an end marker the payload is empty.
    if (entry->end == Entry::kUnknown) entry->end = NextEndMarker(folded, begin).value_or(begin);
    return container_.substr(begin, entry->end - begin);
}

std::optional<std::string_view> TBlockIndex::FindNear(std::string_view name, std::size_t beyond) {
    const std::string folded = FoldName(name);
    {
        std::lock_guard lock(mutex_);
        const std::size_t limit = scannedTo_ + beyond;
        while (!starts_.count(folded) && scannedTo_ < limit && ScanStretch()) {
        }
        if (!starts_.count(folded)) return std::nullopt;
    }
    return Find(name);
}

LaidOutBlock TBlockIndex::BlockAt(std::size_t offset) {
    LaidOutBlock block;
    block.offset = offset;
    if (container_.compare(offset, kTagLength, StartTag()) != 0) {
        block.broken = LaidOutBlock::Break::NoStartMarker;
        return block;
    }
    const std::size_t nameAt = offset + kTagLength, nameStop = container_.find(NameEnd(), nameAt);
    if (nameStop == std::string_view::npos) {
        block.broken = LaidOutBlock::Break::StartMarkerCut;
        return block;
    }
    block.name = container_.substr(nameAt, nameStop - nameAt);
    const std::size_t begin = nameStop + 1;
    std::optional<std::size_t> end;
    {
        std::lock_guard lock(mutex_);
        end = NextEndMarker(FoldName(block.name), begin);
    }
    if (!end) {
        block.broken = LaidOutBlock::Break::NoEndMarker;
        return block;
    }
    block.payload = container_.substr(begin, *end - begin);
    block.end = *end + kTagLength + block.name.size();
    return block;
}

std::size_t TBlockIndex::FirstBlockFrom(std::size_t from) {
    for (std::size_t at = container_.find(StartTag(), from); at != std::string_view::npos;
         at = container_.find(StartTag(), at + 1)) {
        const std::size_t nameAt = at + kTagLength, nameStop = container_.find(NameEnd(), nameAt);
        if (nameStop == std::string_view::npos) break;
        const std::string_view name = container_.substr(nameAt, nameStop - nameAt);
        if (name.empty() || name.size() > kLongestIndexedName || name.find('\0') != std::string_view::npos) continue;
        std::lock_guard lock(mutex_);
        if (NextEndMarker(FoldName(name), nameStop + 1)) return at;
    }
    return container_.size();
}

std::size_t TBlockIndex::ScanMore() {
    std::lock_guard lock(mutex_);
    ScanStretch();
    return scannedTo_;
}

std::size_t TBlockIndex::ScannedTo() {
    std::lock_guard lock(mutex_);
    return scannedTo_;
}

TBlockStore::~TBlockStore() {
    Changing();
    Unmap();
}

TBlockStore& TBlockStore::operator=(std::string bytes) {
    Changing();
    Unmap();
    owned_ = std::move(bytes);
    return *this;
}

TBlockStore& TBlockStore::operator+=(std::string_view bytes) {
    Changing();
    if (mapped_) {
        std::string copy(View());
        Unmap();
        owned_ = std::move(copy);
    }
    owned_ += bytes;
    return *this;
}

void TBlockStore::reserve(std::size_t capacity) {
    if (mapped_) return;
    Changing();
    owned_.reserve(capacity);
}

std::string TBlockStore::Take() {
    Changing();
    std::string bytes = mapped_ ? std::string(View()) : std::move(owned_);
    Unmap();
    owned_.clear();
    return bytes;
}

bool TBlockStore::MapFile(int fd) {
    struct stat file;
    if (::fstat(fd, &file) != 0 || file.st_size <= 0) return false;
    if (mapped_ && file.st_dev == mappedFile_.st_dev && file.st_ino == mappedFile_.st_ino &&
        file.st_size == mappedFile_.st_size && file.st_mtim.tv_sec == mappedFile_.st_mtim.tv_sec &&
        file.st_mtim.tv_nsec == mappedFile_.st_mtim.tv_nsec)
        return true;  // the same bytes are in place already
    const std::size_t size = static_cast<std::size_t>(file.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (map == MAP_FAILED) return false;
    Changing();
    Unmap();
    std::string().swap(owned_);
    mapped_ = static_cast<const char*>(map);
    mappedSize_ = size;
    mappedFile_ = file;
    return true;
}

TBlockIndex& TBlockStore::Index() {
    const std::lock_guard<std::mutex> making(indexMaking_);
    if (!index_) index_ = std::make_unique<TBlockIndex>(View());
    return *index_;
}

// What a lookup scans of a mapping is let go, as the background indexing
// does: a lookup that scans past a large page does not keep it resident.
void TBlockStore::ReleaseScannedSince(TBlockIndex& index, std::size_t scannedBefore) const {
    if (!mapped_) return;
    const std::size_t scannedAfter = index.ScannedTo();
    if (scannedAfter > scannedBefore) ReleasePages(View().substr(scannedBefore, scannedAfter - scannedBefore));
}

std::optional<std::string_view> TBlockStore::Find(std::string_view name) {
    TBlockIndex& index = Index();
    const std::size_t scannedBefore = index.ScannedTo();
    std::optional<std::string_view> found = index.Find(name);
    ReleaseScannedSince(index, scannedBefore);
    return found;
}

std::optional<std::string_view> TBlockStore::FindNear(std::string_view name, std::size_t beyond) {
    TBlockIndex& index = Index();
    const std::size_t scannedBefore = index.ScannedTo();
    std::optional<std::string_view> found = index.FindNear(name, beyond);
    ReleaseScannedSince(index, scannedBefore);
    return found;
}

std::vector<std::string> TBlockStore::BlockNames() {
    TBlockIndex& index = Index();
    const std::size_t scannedBefore = index.ScannedTo();
    std::vector<std::string> names;
    for (std::size_t at = index.FirstBlockFrom(0); at < size();) {
        LaidOutBlock block = index.BlockAt(at);
        if (block.broken != LaidOutBlock::Break::None) break;
        names.push_back(std::move(block.name));
        at = block.end;
    }
    ReleaseScannedSince(index, scannedBefore);
    return names;
}

PageBytes StoredBlock::Read(std::uint64_t offset, std::uint64_t length, ZLibEx::ChunkInflater* inflater) const {
    const std::optional<SealedBlock> sealed = seal ? std::optional<SealedBlock>({*seal, name}) : std::nullopt;
    PageBytes read = ReadPageRange(payload, Index(), offset, length, sealed ? &*sealed : nullptr, inflater);
    store->ReleasePages(payload.substr(read.payloadFrom, read.payloadTo - read.payloadFrom));
    return read;
}

std::optional<StoredBlock> TBlockStore::Block(std::string_view name) {
    const std::optional<std::string_view> payload = Find(name);
    if (!payload) return std::nullopt;
    StoredBlock block{this, std::string(name), *payload, nullptr, SealOf(name)};
    const std::optional<SealedBlock> sealed = block.seal ? std::optional<SealedBlock>({*block.seal, block.name}) : std::nullopt;
    // The index is decoded once for the store's bytes, not on every read.
    block.accessIndex = std::static_pointer_cast<const std::optional<AccessIndex>>(
        Derived(AccessIndexName(name), [&]() -> std::shared_ptr<const void> {
            const std::optional<std::string_view> indexBlock = Find(AccessIndexName(name));
            return std::make_shared<const std::optional<AccessIndex>>(
                indexBlock ? AccessIndexOf(*indexBlock, payload->size(), sealed ? &*sealed : nullptr) : std::nullopt);
        }));
    return block;
}

bool TBlockStore::ReadBlock(std::string_view name, std::string& value) {
    std::optional<std::string_view> payload = Find(name);
    if (!payload) return false;
    const std::shared_ptr<const BlockSeal> seal = SealOf(name);
    std::string opened;
    if (seal) {
        // A sealed chunked block opens chunk by chunk, through its access index.
        if (Find(AccessIndexName(name))) {
            value = Block(name)->Read(0, UINT64_MAX).bytes;
            return true;
        }
        opened = OpenSealedBlock(*seal, *payload, name);
        payload = opened;
    }
    // Any other block is one zlib stream, a chunked one too: its access index
    // is not looked for, so that a read never waits for the whole index.
    ZLibEx::ZBuffer plain = ZLibEx::DecompressBuffer(payload->data(), payload->size());
    value.assign(plain.data.get(), plain.length);
    return true;
}

std::optional<PageBytes> TBlockStore::ReadRange(std::string_view name, std::uint64_t offset, std::uint64_t length) {
    const std::optional<StoredBlock> block = Block(name);
    if (!block) return std::nullopt;
    return block->Read(offset, length);
}

void TBlockStore::IndexInBackground() {
    if (indexer_.joinable() || empty()) return;
    stopIndexing_ = false;
    indexer_ = std::thread([this, index = &Index(), size = size()] {
        // Only time no other thread wants goes to the index: a program that
        // is starting up is not slowed down, and a lookup that needs more
        // of the index than is there scans on for itself.
        const sched_param idle{};
        ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &idle);
        const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        std::size_t released = 0;
        while (!stopIndexing_) {
            const std::size_t scanned = index->ScanMore();
            // Scanned pages of a mapping are only read again for the pages
            // shown, which bring back what they need.
            if (mapped_ && scanned / page * page > released) {
                const std::size_t upTo = scanned / page * page;
                ::madvise(const_cast<char*>(mapped_) + released, upTo - released, MADV_DONTNEED);
                released = upTo;
            }
            if (scanned >= size) break;
        }
    });
}

void TBlockStore::ReleasePages(std::string_view part) const {
    if (!mapped_ || part.data() < mapped_ || part.data() + part.size() > mapped_ + mappedSize_) return;
    const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(part.data()) + page - 1) / page * page;
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(part.data()) + part.size()) / page * page;
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}

std::shared_ptr<const void> TBlockStore::Derived(const std::string& key,
                                                 const std::function<std::shared_ptr<const void>()>& make) {
    const std::lock_guard<std::mutex> making(derivedMaking_);
    std::shared_ptr<const void>& value = derived_[key];
    if (!value) value = make();
    return value;
}

void TBlockStore::SetSeal(std::shared_ptr<const BlockSeal> seal) {
    {
        const std::lock_guard<std::mutex> setting(sealSetting_);
        seal_ = std::move(seal);
    }
    const std::lock_guard<std::mutex> making(derivedMaking_);
    derived_.clear();
}

std::shared_ptr<const BlockSeal> TBlockStore::Seal() const {
    const std::lock_guard<std::mutex> setting(sealSetting_);
    return seal_;
}

std::shared_ptr<const BlockSeal> TBlockStore::SealOf(std::string_view blockName) const {
    std::shared_ptr<const BlockSeal> seal = Seal();
    return seal && IsSealedBlockName(blockName) ? seal : nullptr;  // books without a seal fold no name
}

void TBlockStore::Changing() {
    if (indexer_.joinable()) {
        stopIndexing_ = true;
        indexer_.join();
    }
    index_.reset();
    derived_.clear();
}

void TBlockStore::Unmap() {
    if (mapped_) ::munmap(const_cast<char*>(mapped_), mappedSize_);
    mapped_ = nullptr;
    mappedSize_ = 0;
}

}  // namespace SimExe
