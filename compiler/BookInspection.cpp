// Inspection of an eBook or a project file: its blocks in stored order, the
// damage check and the listing of `info`.
#include "BookInspection.h"

#include "BlockStore.h"
#include "BookIdentity.h"
#include "BookKey.h"
#include "BookLock.h"
#include "Chunks.h"
#include "Contents.h"
#include "IndexDatabase.h"
#include "PageRange.h"
#include "PageText.h"
#include "SettingKeys.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <cstdio>
#include <iomanip>
#include <ostream>
#include <set>

namespace compiler {

namespace {

// The settings keys an eBook or a project file may carry, with the words
// the listing shows for them.
struct SettingKey {
    std::string_view key;
    const char* label;
};
constexpr SettingKey kSettingKeys[] = {
    {SimExe::kToolbarKey, "toolbar"},            {SimExe::kPasswordKey, "password"},
    {SimExe::kStartMessageKey, "start message"}, {SimExe::kCloseMessageKey, "close message"},
    {SimExe::kFirstPageKey, "first page"},       {SimExe::kTitleKey, "title"},
    {SimExe::kBookNumberKey, "eBook number"},    {SimExe::kAuthorKey, "author"},
    {SimExe::kEmailKey, "e-mail"},               {SimExe::kWebAddressKey, "web address"},
    {SimExe::kAboutKey, "other information"},    {SimExe::kProjectFolderKey, "project folder"},
    {SimExe::kOutputFolderKey, "output folder"}, {SimExe::kOutputFileKey, "output file"},
    {SimExe::kSearchIndexKey, "search index"},   {SimExe::kContentsKey, "show contents"},
    {SimExe::kReopenKey, "reopen"},              {SimExe::kIdentityKey, "identity"}};

const SettingKey* SettingNamed(const std::string& foldedName) {
    for (const SettingKey& s : kSettingKeys)
        if (SimExe::FoldName(s.key) == foldedName) return &s;
    return nullptr;
}

// The toolbar flag string's buttons (positions 1 to 9) and restrictions
// (positions 11 and 12), in words.
std::string ToolbarInWords(const std::string& flags) {
    static const char* const buttons[] = {"Back", "Next", "Reload", "Home", "Stop", "Search", "Print", "About", "Exit"};
    const auto on = [&](std::size_t position) { return flags.size() >= position && flags[position - 1] == '1'; };
    std::string words = "buttons:";
    for (std::size_t i = 0; i < 9; ++i)
        if (on(i + 1)) words += std::string(" ") + buttons[i];
    if (words == "buttons:") words += " none";
    if (on(11)) words += "; no right-click menu or copy/paste";
    if (on(12)) words += "; no printing";
    return words;
}

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Bytes a terminal would act on, shown as escapes instead.
std::string Printable(std::string_view text) {
    std::string shown;
    for (unsigned char c : text) {
        if (c == '\r') shown += "\\r";
        else if (c == '\n') shown += "\\n";
        else if (c == '\t') shown += "\\t";
        else if (c == '\\') shown += "\\\\";
        else if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            shown += hex;
        } else shown += static_cast<char>(c);
    }
    return shown;
}

// How the blocks of the inspected file are read: in a protected eBook the
// sealed ones are opened with the book's key, when it is known.
struct Reader {
    bool protectedBook = false;
    const SimExe::BlockSeal* seal = nullptr;

    Reader(const Inspection& in, const SimExe::BlockSeal* key) : seal(key) {
        bool damaged = false;
        protectedBook = PasswordRecordOf(in, &damaged) || damaged;
    }
    bool Sealed(const InspectedBlock& block) const { return protectedBook && SimExe::IsSealedBlockName(block.name); }
    // Sealed, and there is no key to open it with.
    bool Closed(const InspectedBlock& block) const { return Sealed(block) && !seal; }

    // The block's payload as a book without a password would hold it;
    // nothing when it is sealed and does not open (or there is no key).
    std::optional<std::string> Payload(const InspectedBlock& block, std::string* error = nullptr) const {
        if (!Sealed(block)) return std::string(block.payload);
        std::optional<std::string> opened =
            seal ? seal->Open(block.payload, block.name, SimExe::BlockSeal::kWholeBlock) : std::nullopt;
        if (!opened && error) *error = seal ? "it does not open with the password: changed, cut or moved" : "encrypted";
        return opened;
    }

    // The decompressed payload of a settings or page block; nothing when it
    // does not decompress, with zlib's text in `error`.
    std::optional<std::string> Decompressed(const InspectedBlock& block, std::string* error = nullptr) const {
        const std::optional<std::string> payload = Payload(block, error);
        if (!payload) return std::nullopt;
        try {
            return ZLibEx::DecompressString(*payload);
        } catch (const ZLibEx::EZLibError& e) {
            if (error) *error = e.what();
            return std::nullopt;
        }
    }

    // The content's length of a page block, inflated as a stream so that no
    // page, however large, is held in memory; nothing when it does not inflate.
    std::optional<std::uint64_t> InflatedSize(const InspectedBlock& block, std::string* error = nullptr) const {
        std::optional<std::string> opened;
        std::string_view payload = block.payload;
        if (Sealed(block)) {
            opened = Payload(block, error);
            if (!opened) return std::nullopt;
            payload = *opened;
        }
        try {
            return ZLibEx::InflateStream(payload, nullptr);
        } catch (const ZLibEx::EZLibError& e) {
            if (error) *error = e.what();
            return std::nullopt;
        }
    }

    // How a block's sealed chunks are opened.
    std::optional<SimExe::SealedBlock> SealedChunks(const InspectedBlock& block) const {
        if (!Sealed(block) || !seal) return std::nullopt;
        return SimExe::SealedBlock{*seal, block.name};
    }
};

const InspectedBlock* BlockNamed(const Inspection& in, const std::string& folded, BlockKind kind) {
    for (const InspectedBlock& b : in.blocks)
        if (b.kind == kind && b.name == folded) return &b;
    return nullptr;
}

// The block (a page, or the search index) whose access index a block of our
// own is, if it is one.
const InspectedBlock* BlockIndexedBy(const Inspection& in, const InspectedBlock& own) {
    const std::string prefix = SimExe::FoldName(SimExe::AccessIndexName(""));
    if (own.name.compare(0, prefix.size(), prefix) != 0) return nullptr;
    const std::string indexed = own.name.substr(prefix.size());
    const InspectedBlock* page = BlockNamed(in, indexed, BlockKind::Page);
    return page ? page : BlockNamed(in, indexed, BlockKind::Own);
}

const InspectedBlock* AccessIndexBlockOf(const Inspection& in, const InspectedBlock& block) {
    return BlockNamed(in, SimExe::FoldName(SimExe::AccessIndexName(block.name)), BlockKind::Own);
}

// A block's access index, read and checked against its payload's size;
// nothing when it has none, or none that reads.
std::optional<SimExe::AccessIndex> AccessIndexOf(const Inspection& in, const Reader& reader, const InspectedBlock& block) {
    const InspectedBlock* own = AccessIndexBlockOf(in, block);
    const std::optional<std::string> bytes = own ? reader.Decompressed(*own) : std::nullopt;
    if (!bytes) return std::nullopt;
    return SimExe::DecodeAccessIndex(*bytes, block.payload.size());
}

// Why a block of our own is damaged, if it is.
std::optional<std::string> OwnBlockDamage(const Inspection& in, const Reader& reader, const InspectedBlock& own) {
    std::string error;
    const InspectedBlock* indexed = BlockIndexedBy(in, own);
    // A block read through its access index is checked with it, chunk by chunk.
    if (!indexed && AccessIndexBlockOf(in, own)) return std::nullopt;
    const std::optional<std::string> bytes = reader.Decompressed(own, &error);
    if (!bytes) return error;
    if (own.name == SimExe::FoldName(contents::kContentsBlockName) && !contents::Decode(*bytes))
        return std::string("it is no table of contents");
    if (!indexed) return std::nullopt;
    const std::optional<SimExe::AccessIndex> index = SimExe::DecodeAccessIndex(*bytes, indexed->payload.size());
    if (!index || index->sealed != reader.Sealed(*indexed))
        return std::string("it is no access index of ") + (indexed->kind == BlockKind::Page ? "page '" : "block '") +
               Printable(indexed->name) + "'";
    try {
        const std::optional<SimExe::SealedBlock> sealed = reader.SealedChunks(*indexed);
        SimExe::CheckAccessIndex(indexed->payload, *index, sealed ? &*sealed : nullptr);
    } catch (const SimExe::EAccessIndexError& e) {
        return e.what();
    }
    return std::nullopt;
}

// A page held as deflate's stored blocks alone: exactly the size they take.
bool IsStoredWhole(std::string_view payload, std::uint64_t original) {
    constexpr std::uint64_t kStoredBlock = 65535, kBlockHeader = 5;
    const std::uint64_t blocks = std::max<std::uint64_t>(1, (original + kStoredBlock - 1) / kStoredBlock);
    return original > 0 &&
           payload.size() == ZLibEx::kZlibHeaderSize + original + blocks * kBlockHeader + ZLibEx::kZlibTrailerSize;
}

std::size_t CountOf(const Inspection& in, BlockKind kind) {
    std::size_t n = 0;
    for (const InspectedBlock& b : in.blocks) n += b.kind == kind;
    return n;
}

std::string Plural(std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// A program that carries a program (the compiler itself) has no settings.
bool IsCarrier(const Inspection& in) {
    return CountOf(in, BlockKind::Setting) + CountOf(in, BlockKind::Page) == 0 && CountOf(in, BlockKind::Program) > 0;
}

void CollectPages(const std::vector<contents::Entry>& entries, std::set<std::string>& pages) {
    for (const contents::Entry& entry : entries) {
        if (!entry.page.empty()) pages.insert(SimExe::FoldName(entry.page));
        CollectPages(entry.children, pages);
    }
}

// Where the table of contents came from, how many entries it has, and how
// many HTML pages none of them opens.
void WriteTableOfContents(std::ostream& out, const Inspection& in, const Reader& reader) {
    const InspectedBlock* block = BlockNamed(in, SimExe::FoldName(contents::kContentsBlockName), BlockKind::Own);
    if (!block) return;
    if (reader.Closed(*block)) {
        out << "  a table of contents (encrypted)\n";
        return;
    }
    const std::optional<std::string> bytes = reader.Decompressed(*block);
    const std::optional<contents::Contents> table = bytes ? contents::Decode(*bytes) : std::nullopt;
    if (!table) {
        out << "  a table of contents that is damaged\n";
        return;
    }
    std::set<std::string> reached;
    CollectPages(table->entries, reached);
    std::size_t unreached = 0;
    for (const InspectedBlock& b : in.blocks)
        unreached += b.kind == BlockKind::Page && search::KindOfPage(b.name) == search::PageKind::kHtml &&
                     !reached.contains(b.name);
    const std::size_t entries = contents::EntryCount(table->entries);
    out << "  contents: " << Printable(table->source) << ", " << entries << (entries == 1 ? " entry; " : " entries; ")
        << Plural(unreached, "page") << " no entry opens\n";
}

// The identity the eBook's readers' places are kept under, and whether it
// reopens where its reader left off. An eBook from before them has neither
// block: its viewer derives an identity, and reopens.
void WriteReaderMemory(std::ostream& out, const Inspection& in, const Reader& reader) {
    const InspectedBlock* identity = BlockNamed(in, SimExe::FoldName(book::kIdentityBlockName), BlockKind::Own);
    const InspectedBlock* reopen = BlockNamed(in, SimExe::FoldName(book::kReopenBlockName), BlockKind::Own);
    if ((identity && reader.Closed(*identity)) || (reopen && reader.Closed(*reopen))) {
        out << "  identity and whether it reopens where its reader left off (encrypted)\n";
        return;
    }
    const std::optional<std::string> stored = identity ? reader.Decompressed(*identity) : std::nullopt;
    out << "  identity: "
        << (!identity                           ? "none stored; its viewer derives one from its settings and page names"
            : stored && book::IsIdentity(*stored) ? *stored
                                                  : "damaged")
        << "\n";
    const std::optional<std::string> choice = reopen ? reader.Decompressed(*reopen) : std::nullopt;
    out << "  reopens where its reader left off: " << (choice == "0" ? "no" : "yes") << "\n";
}

void WriteSummary(std::ostream& out, const Inspection& in, const Reader& reader) {
    const std::size_t settings = CountOf(in, BlockKind::Setting), pages = CountOf(in, BlockKind::Page);
    out << Printable(in.fileName) << ": " << (in.project ? "project file" : IsCarrier(in) ? "program" : "eBook") << ", "
        << in.fileSize << " bytes\n";
    if (!in.project)
        out << "  program before the blocks: " << in.prefixSize << " bytes"
            << (in.knownViewer ? " (the viewer of this compiler)" : "") << "\n";
    if (IsCarrier(in)) out << "  " << Plural(in.blocks.size(), "block") << "\n";
    else out << "  " << Plural(settings, "setting") << ", " << Plural(pages, "page") << "\n";
    std::size_t accessIndexes = 0;
    const std::string accessPrefix = SimExe::FoldName(SimExe::AccessIndexName(""));
    for (const InspectedBlock& b : in.blocks)
        accessIndexes += b.kind == BlockKind::Own && b.name.compare(0, accessPrefix.size(), accessPrefix) == 0;
    if (accessIndexes) out << "  " << accessIndexes << (accessIndexes == 1 ? " access index" : " access indexes") << "\n";
    if (const InspectedBlock* index = BlockNamed(in, SimExe::FoldName(search::kIndexBlockName), BlockKind::Own))
        out << "  a search index of " << index->payload.size() << " bytes\n";
    WriteTableOfContents(out, in, reader);
    if (!in.project && !IsCarrier(in)) WriteReaderMemory(out, in, reader);
    if (reader.protectedBook) out << "  encrypted: every page and every setting but the title and the toolbar\n";
}

// What the password record says of the password: how costly it is to test.
std::string PasswordCost(const Inspection& in) {
    bool damaged = false;
    const std::optional<protect::PasswordRecord> record = PasswordRecordOf(in, &damaged);
    if (!record) return "present, in a record that is damaged or asks for more than a reader pays";
    const protect::KdfCost& cost = record->cost;
    return "present; tested with Argon2id, " + std::to_string(cost.passes) + (cost.passes == 1 ? " pass" : " passes") +
           " over " + std::to_string(cost.memoryKiB / 1024) + " MiB, " + Plural(cost.lanes, "lane");
}

// One line per setting in stored order; the password only as present or absent.
void WriteSettings(std::ostream& out, const Inspection& in, const Reader& reader) {
    bool password = false;
    out << "settings:\n";
    for (const InspectedBlock& b : in.blocks) {
        if (b.kind != BlockKind::Setting) continue;
        const SettingKey& key = *SettingNamed(b.name);
        out << "  " << std::left << std::setw(19) << key.label << std::right;
        std::string error;
        const std::optional<std::string> value = reader.Closed(b) ? std::nullopt : reader.Decompressed(b, &error);
        if (reader.Closed(b)) {
            out << "(encrypted)\n";
        } else if (!value) {
            out << "(damaged: " << error << ")\n";
        } else if (key.key == SimExe::kPasswordKey) {
            password = true;
            out << (reader.protectedBook ? PasswordCost(in)
                    : value->empty()     ? "present but empty: the eBook asks for none"
                                         : "present")
                << "\n";
        } else if (key.key == SimExe::kToolbarKey) {
            out << Printable(*value) << " (" << ToolbarInWords(*value) << ")\n";
        } else {
            out << Printable(*value) << "\n";
        }
    }
    if (!password) out << "  " << std::left << std::setw(19) << "password" << std::right << "absent\n";
}

// What a page's line adds about how it is held: chunked (and how many
// chunks are stored), or stored whole.
std::string HowHeld(const InspectedBlock& page, const std::optional<SimExe::AccessIndex>& index, std::uint64_t original) {
    if (index) {
        std::size_t stored = 0;
        for (const SimExe::ChunkEntry& c : index->chunks) stored += c.stored;
        return " (" + Plural(index->chunks.size(), "chunk") + ", " + std::to_string(stored) + " stored)";
    }
    return IsStoredWhole(page.payload, original) ? " (stored)" : "";  // a sealed page is never taken for one
}

// The pages and programs with their stored and original sizes. A chunked
// page's size comes from its access index; other pages are inflated.
void WriteContents(std::ostream& out, const Inspection& in, const Reader& reader) {
    std::uint64_t stored = 0, original = 0;
    std::size_t pages = 0;
    bool heading = false;
    for (const InspectedBlock& b : in.blocks) {
        if (b.kind == BlockKind::Setting || b.kind == BlockKind::Own) continue;
        if (!heading) out << (IsCarrier(in) ? "blocks:" : "pages:") << "\n  " << std::setw(10) << "stored" << "  " << std::setw(10) << "original" << "  name\n";
        heading = true;
        out << "  " << std::setw(10) << b.payload.size() << "  " << std::setw(10);
        if (b.kind == BlockKind::Program) {
            out << b.payload.size() << "  " << Printable(b.name) << " (a program, stored as it is)\n";
            continue;
        }
        ++pages;
        stored += b.payload.size();
        if (reader.Closed(b)) {
            out << "encrypted" << "  " << Printable(b.name) << "\n";
            continue;
        }
        const std::optional<SimExe::AccessIndex> index = AccessIndexOf(in, reader, b);
        const std::optional<std::uint64_t> size = index ? std::optional(index->fileSize) : reader.InflatedSize(b);
        if (size) {
            original += *size;
            out << *size;
        } else {
            out << "damaged";
        }
        out << "  " << Printable(b.name) << (size ? HowHeld(b, index, *size) : "") << "\n";
    }
    if (pages > 0)
        out << "  " << std::setw(10) << stored << "  " << std::setw(10)
            << (reader.protectedBook && !reader.seal ? std::string("encrypted") : std::to_string(original)) << "  ("
            << Plural(pages, "page") << " in all)\n";
}

// Where the blocks of an eBook with an unknown viewer begin: at the first
// start tag that opens a whole block. Programs carry the bare tag among
// their constants, where no plausible name and end marker follow it.
}  // namespace

Inspection InspectBytes(std::string_view bytes, const std::string& fileName, std::string_view viewer) {
    Inspection in;
    in.fileName = fileName;
    in.fileSize = bytes.size();
    in.project = EndsWith(fileName, ".zbp");

    // The blocks are walked through the block index a book's reads use.
    SimExe::TBlockIndex layout(bytes);
    std::size_t at = 0;
    if (!in.project) {
        in.knownViewer = !viewer.empty() && bytes.substr(0, viewer.size()) == viewer;
        at = in.knownViewer ? viewer.size() : layout.FirstBlockFrom(0);
    }
    in.prefixSize = at;

    bool inSettings = true;
    while (at < bytes.size()) {
        const std::string after =
            in.blocks.empty() ? "before the first block" : "after block '" + Printable(in.blocks.back().name) + "'";
        const SimExe::LaidOutBlock block = layout.BlockAt(at);
        using Break = SimExe::LaidOutBlock::Break;
        if (block.broken == Break::NoStartMarker) {
            in.layoutDamage = Damage{"", "unexpected bytes at offset " + std::to_string(at) + ", " + after};
            break;
        }
        if (block.broken == Break::StartMarkerCut) {
            in.layoutDamage = Damage{"", "a start marker cut off at offset " + std::to_string(at) + ", " + after};
            break;
        }
        const std::string& name = block.name;
        if (block.broken == Break::NoEndMarker) {
            in.layoutDamage = Damage{name, "its end marker is missing (the block starts at offset " + std::to_string(at) + ")"};
            break;
        }
        BlockKind kind = BlockKind::Page;
        if (name == SimExe::FoldName(kViewerBlock) || name == SimExe::FoldName(kWindowModuleBlock))
            kind = BlockKind::Program;
        else if (!name.empty() && name[0] == '/') kind = BlockKind::Own;
        else if (inSettings && SettingNamed(name)) kind = BlockKind::Setting;
        inSettings = inSettings && kind == BlockKind::Setting;
        in.blocks.push_back({name, kind, at, block.payload});
        at = block.end;
    }
    return in;
}

std::optional<protect::PasswordRecord> PasswordRecordOf(const Inspection& in, bool* damaged) {
    if (damaged) *damaged = false;
    const InspectedBlock* cpass = BlockNamed(in, SimExe::FoldName(SimExe::kPasswordKey), BlockKind::Setting);
    if (!cpass || in.project) return std::nullopt;
    std::string value;
    try {
        value = ZLibEx::DecompressString(std::string(cpass->payload));
    } catch (const ZLibEx::EZLibError&) {
        return std::nullopt;
    }
    const book::BookLock lock = book::LockOf(value);
    if (damaged) *damaged = lock.kind == book::BookLock::Kind::Damaged;
    return lock.record;
}

std::optional<Damage> FirstDamage(const Inspection& in, const SimExe::BlockSeal* seal) {
    const Reader reader(in, seal);
    for (const InspectedBlock& b : in.blocks) {
        std::string error;
        if (b.kind == BlockKind::Program) {
            if (b.payload.empty()) return Damage{b.name, "the program it should carry is empty"};
        } else if (reader.Closed(b)) {
            // Without the key, a sealed block is bytes that only the key tells
            // apart; its nonce and tag must be there at least.
            if (b.payload.size() < protect::BookKey::kSealOverhead) return Damage{b.name, "too short to be encrypted"};
        } else if (b.kind == BlockKind::Own) {
            if (std::optional<std::string> what = OwnBlockDamage(in, reader, b)) return Damage{b.name, *what};
        } else if (b.kind == BlockKind::Page && reader.Sealed(b) && AccessIndexBlockOf(in, b)) {
            continue;  // sealed chunk by chunk: checked with its access index
        } else if (b.kind == BlockKind::Page ? !reader.InflatedSize(b, &error) : !reader.Decompressed(b, &error)) {
            return Damage{b.name, error};
        }
    }
    if (in.layoutDamage) return in.layoutDamage;
    if (in.blocks.empty()) return Damage{"", "it carries no blocks: it is no eBook or project file"};
    return std::nullopt;
}

std::string DamageReport(const Inspection& in, const Damage& damage) {
    std::string report = Printable(in.fileName) + ": ";
    if (!damage.blockName.empty()) report += "block '" + Printable(damage.blockName) + "' is damaged: ";
    return report + damage.what;
}

void WriteInfo(std::ostream& out, const Inspection& in) {
    const Reader reader(in, nullptr);
    WriteSummary(out, in, reader);
    if (!IsCarrier(in)) WriteSettings(out, in, reader);
    WriteContents(out, in, reader);
}

}  // namespace compiler
