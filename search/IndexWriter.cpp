// The index database, built in memory.
#include "IndexWriter.h"

namespace search {

namespace {

void BindText(sqlite3_stmt* statement, int column, const std::string& text) {
    sqlite3_bind_text(statement, column, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// Runs a statement to its end and makes it ready for the next run.
void StepOnce(const Database& db, sqlite3_stmt* statement, const char* doing) {
    const int code = sqlite3_step(statement);
    sqlite3_reset(statement);
    db.Check(code, doing);
}

}  // namespace

IndexWriter::IndexWriter() {
    RegisterWordListTokenizer(db_);
    // Nothing here needs to survive a crash: the image is taken whole at the end.
    db_.Execute("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA page_size=4096;");
    db_.Execute(kSchema);
    db_.Execute("BEGIN");
    addPage_.emplace(db_, "INSERT INTO page(id, name, title) VALUES(?1, ?2, ?3)");
    addWords_.emplace(db_, "INSERT INTO words(rowid, title, headings, body) VALUES(?1, ?2, ?3, ?4)");
}

void IndexWriter::Add(const std::string& pageName, const PageWords& words) {
    const sqlite3_int64 id = static_cast<sqlite3_int64>(++pages_);
    sqlite3_stmt* page = addPage_->get();
    sqlite3_bind_int64(page, 1, id);
    BindText(page, 2, pageName);
    BindText(page, 3, words.title);
    StepOnce(db_, page, "adding a page");
    sqlite3_stmt* wordLists = addWords_->get();
    sqlite3_bind_int64(wordLists, 1, id);
    BindText(wordLists, 2, words.titleWords);
    BindText(wordLists, 3, words.headingWords);
    BindText(wordLists, 4, words.bodyWords);
    StepOnce(db_, wordLists, "adding a page's words");
}

std::string IndexWriter::Finish() {
    addPage_.reset();
    addWords_.reset();
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
