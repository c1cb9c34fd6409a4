// The index database, built in memory.
#include "IndexWriter.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace search {

namespace {

// How many named places wait to be inserted together.
constexpr std::size_t kNamedBatch = 1u << 13;

void BindText(sqlite3_stmt* statement, int column, const std::string& text) {
    sqlite3_bind_text(statement, column, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// Runs a statement to its end and makes it ready for the next run.
void StepOnce(const Database& db, sqlite3_stmt* statement, const char* doing) {
    const int code = sqlite3_step(statement);
    sqlite3_reset(statement);
    db.Check(code, doing);
}

// What the ranking of a page's text is multiplied by: pages whose text is
// mostly links (generated indexes, tables of contents) weigh less, the more
// so the more links they are, so that the pages they link to come first.
double WeightOf(double linkShare) {
    return linkShare <= kMostlyLinks ? 1.0 : std::max(0.1, (1.0 - linkShare) / (1.0 - kMostlyLinks));
}

}  // namespace

IndexWriter::IndexWriter(std::int64_t termsInMemory) {
    RegisterWordListTokenizer(db_);
    // Nothing here needs to survive a crash: the image is taken whole at the end.
    db_.Execute("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA page_size=4096;");
    db_.Execute(kSchema);
    // Segments are merged once, by Finish's 'optimize', not again and again
    // as pages are added. Terms gather in memory up to `termsInMemory`
    // before a segment is written: with kTermsInMemory, a manual of
    // thousands of pages makes one, which needs no merging at all.
    db_.Execute(("INSERT INTO words(words, rank) VALUES('automerge', 0);"
                 "INSERT INTO words(words, rank) VALUES('crisismerge', 100000);"
                 "INSERT INTO words(words, rank) VALUES('hashsize', " +
                 std::to_string(termsInMemory) + ");")
                    .c_str());
    db_.Execute("BEGIN");
    addPage_.emplace(db_, "INSERT INTO page(id, name, title, weight) VALUES(?1, ?2, ?3, ?4)");
    addWords_.emplace(db_, "INSERT INTO words(rowid, title, headings, body) VALUES(?1, ?2, ?3, ?4)");
    addNamed_.emplace(db_, "INSERT OR IGNORE INTO named(keys, total, tail, page, anchor) VALUES(?1, ?2, ?3, ?4, ?5)");
}

void IndexWriter::Add(const std::string& pageName, PageWords words) {
    const sqlite3_int64 id = static_cast<sqlite3_int64>(++pages_);
    sqlite3_stmt* page = addPage_->get();
    sqlite3_bind_int64(page, 1, id);
    BindText(page, 2, pageName);
    BindText(page, 3, words.title);
    sqlite3_bind_double(page, 4, WeightOf(words.linkShare));
    StepOnce(db_, page, "adding a page");
    sqlite3_stmt* wordLists = addWords_->get();
    sqlite3_bind_int64(wordLists, 1, id);
    BindText(wordLists, 2, words.titleWords);
    BindText(wordLists, 3, words.headingWords);
    BindText(wordLists, 4, words.bodyWords);
    StepOnce(db_, wordLists, "adding a page's words");
    for (SpelledName& title : words.titleNames) AddNamed(std::move(title), 0, id, "");
    // The parts of a joined last word may be typed alone, from any part on
    // ("join" and "path.join" for "os.path.join").
    for (NamedPlace& place : words.names) {
        const std::size_t tail = place.name.lastWordKeys > 1 ? place.name.lastWordKeys : 0;
        AddNamed(std::move(place.name), tail, id, std::move(place.anchor));
    }
}

// The named places are inserted a batch at a time in key order, each one
// beside the last, instead of one by one wherever its key falls, which
// costs SQLite more than twice as much.
void IndexWriter::AddNamed(SpelledName name, std::size_t tail, sqlite3_int64 page, std::string anchor) {
    named_.push_back({std::move(name.reversed), static_cast<sqlite3_int64>(name.keys),
                      static_cast<sqlite3_int64>(tail), page, std::move(anchor)});
    if (named_.size() == kNamedBatch) InsertNamed();
}

// A name listed twice at the same place is the same row twice, which the
// table keeps once.
void IndexWriter::InsertNamed() {
    std::vector<std::uint32_t> order(named_.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
        const NamedRow &x = named_[a], &y = named_[b];
        if (const int keys = x.keys.compare(y.keys); keys != 0) return keys < 0;
        if (x.page != y.page) return x.page < y.page;
        return x.anchor < y.anchor;
    });
    sqlite3_stmt* named = addNamed_->get();
    for (const std::uint32_t i : order) {
        const NamedRow& row = named_[i];
        BindText(named, 1, row.keys);
        sqlite3_bind_int64(named, 2, row.total);
        sqlite3_bind_int64(named, 3, row.tail);
        sqlite3_bind_int64(named, 4, row.page);
        BindText(named, 5, row.anchor);
        StepOnce(db_, named, "adding a name");
    }
    named_.clear();
}

std::int64_t IndexWriter::FreePages() const {
    const Statement count(db_, "PRAGMA freelist_count");
    db_.Check(sqlite3_step(count.get()), "counting free pages");
    return sqlite3_column_int64(count.get(), 0);
}

void IndexWriter::Finish(const std::function<void(std::string_view image)>& use) {
    InsertNamed();
    named_.shrink_to_fit();
    addPage_.reset();
    addWords_.reset();
    addNamed_.reset();
    db_.Execute("COMMIT");
    // One merged segment answers queries fastest.
    db_.Execute("INSERT INTO words(words) VALUES('optimize')");
    // Merging reuses the pages it frees, so the merged segment lies
    // scattered among the rest; a copy made in order reads in fewer chunks.
    // Merging also leaves much memory free in the middle of the heap, which
    // neither the copy nor the image's user (its deflated copy) can reuse:
    // it goes back to the system first.
    if (FreePages() > 0) {
        ::malloc_trim(0);
        return UseCompacted(use);
    }
    sqlite3_int64 size = 0;
    const unsigned char* image = sqlite3_serialize(db_.Handle(), "main", &size, SQLITE_SERIALIZE_NOCOPY);
    if (!image) throw EIndexError("The search index could not be written out");
    use({reinterpret_cast<const char*>(image), static_cast<std::size_t>(size)});
}

// VACUUM INTO a database of its own lays every table out in order; the
// index is closed before the copy's image is taken out of it, so that the
// index is never in memory three times over, as VACUUM in place would have
// it (the index, its copy, and the copy written back through the cache).
void IndexWriter::UseCompacted(const std::function<void(std::string_view image)>& use) {
    static std::atomic<unsigned> made{0};
    const std::string name = "zorbin-index-" + std::to_string(made++);
    Database compact = Database::Shared(name);
    db_.Execute(("VACUUM INTO '" + Database::SharedUri(name) + "'").c_str());
    db_.Close();
    sqlite3_int64 size = 0;
    const std::unique_ptr<unsigned char, decltype(&sqlite3_free)> image(
        sqlite3_serialize(compact.Handle(), "main", &size, 0), sqlite3_free);
    compact.Close();
    if (!image) throw EIndexError("The search index could not be written out");
    use({reinterpret_cast<const char*>(image.get()), static_cast<std::size_t>(size)});
}

std::string IndexWriter::Finish() {
    std::string image;
    Finish([&](std::string_view bytes) { image = bytes; });
    return image;
}

}  // namespace search
