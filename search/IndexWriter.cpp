// The index database, built in memory.
#include "IndexWriter.h"

namespace search {

namespace {

sqlite3_stmt* Prepare(const Database& db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    db.Check(sqlite3_prepare_v2(db.Handle(), sql, -1, &statement, nullptr), sql);
    return statement;
}

void BindText(sqlite3_stmt* statement, int column, const std::string& text) {
    sqlite3_bind_text(statement, column, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

}  // namespace

IndexWriter::IndexWriter() {
    RegisterWordListTokenizer(db_);
    // Nothing here needs to survive a crash: the image is taken whole at the end.
    db_.Execute("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA page_size=4096;");
    db_.Execute(kSchema);
    db_.Execute("BEGIN");
    addPage_ = Prepare(db_, "INSERT INTO page(id, name, title) VALUES(?1, ?2, ?3)");
    addWords_ = Prepare(db_, "INSERT INTO words(rowid, title, headings, body) VALUES(?1, ?2, ?3, ?4)");
}

IndexWriter::~IndexWriter() {
    sqlite3_finalize(addPage_);
    sqlite3_finalize(addWords_);
}

void IndexWriter::Add(const std::string& pageName, const PageWords& words) {
    const sqlite3_int64 id = static_cast<sqlite3_int64>(++pages_);
    sqlite3_bind_int64(addPage_, 1, id);
    BindText(addPage_, 2, pageName);
    BindText(addPage_, 3, words.title);
    db_.Check(sqlite3_step(addPage_), "adding a page");
    sqlite3_reset(addPage_);
    sqlite3_bind_int64(addWords_, 1, id);
    BindText(addWords_, 2, words.titleWords);
    BindText(addWords_, 3, words.headingWords);
    BindText(addWords_, 4, words.bodyWords);
    db_.Check(sqlite3_step(addWords_), "adding a page's words");
    sqlite3_reset(addWords_);
}

std::string IndexWriter::Finish() {
    sqlite3_finalize(addPage_);
    sqlite3_finalize(addWords_);
    addPage_ = addWords_ = nullptr;
    db_.Execute("COMMIT");
    // One merged segment answers queries fastest; VACUUM leaves no free pages.
    db_.Execute("INSERT INTO words(words) VALUES('optimize')");
    db_.Execute("VACUUM");
    sqlite3_int64 size = 0;
    unsigned char* image = sqlite3_serialize(db_.Handle(), "main", &size, 0);
    if (!image) throw EIndexError("The search index could not be written out");
    std::string bytes(reinterpret_cast<const char*>(image), static_cast<std::size_t>(size));
    sqlite3_free(image);
    return bytes;
}

}  // namespace search
