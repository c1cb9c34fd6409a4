// The index's database connection and its tokenizer.
#include "IndexDatabase.h"

#include "PageWords.h"

#include <limits>

namespace search {

namespace {

// The tokenizer needs no state: every instance is the same empty one.
int CreateTokenizer(void*, const char**, int, Fts5Tokenizer** tokenizer) {
    static int instance;
    *tokenizer = reinterpret_cast<Fts5Tokenizer*>(&instance);
    return SQLITE_OK;
}

void DeleteTokenizer(Fts5Tokenizer*) {}

// Hands FTS5 the keys of a word list (see PageWords.h) as they stand, a
// key after kSameWord where the key before it stands.
int Tokenize(Fts5Tokenizer*, void* context, int, const char* text, int length,
             int (*token)(void*, int, const char*, int, int, int)) {
    int begin = 0;
    int flags = 0;
    for (int i = 0; i <= length; ++i) {
        if (i < length && text[i] != kNextWord && text[i] != kSameWord) continue;
        if (i > begin) {
            const int code = token(context, flags, text + begin, i - begin, begin, i);
            if (code != SQLITE_OK) return code;
        }
        flags = i < length && text[i] == kSameWord ? FTS5_TOKEN_COLOCATED : 0;
        begin = i + 1;
    }
    return SQLITE_OK;
}

fts5_api* Fts5Of(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

}  // namespace

// SQLite's memdb keeps the database in one piece of memory, which is its
// image: sqlite3_serialize hands it over without a copy. It may grow as
// far as memory lets it.
Database::Database() : Database(InMemory{}, "file:index?vfs=memdb") {}

Database Database::Shared(const std::string& name) { return Database(InMemory{}, SharedUri(name)); }

Database::Database(InMemory, const std::string& uri)
    : Database(uri.c_str(), nullptr, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI) {
    sqlite3_int64 noLimit = std::numeric_limits<sqlite3_int64>::max();  // instead of memdb's 1 GiB
    sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_SIZE_LIMIT, &noLimit);
}

std::string Database::SharedUri(const std::string& name) { return "file:/" + name + "?vfs=memdb"; }

Database::Database(const std::string& uri, const char* vfs)
    : Database(uri.c_str(), vfs, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI) {}

Database::Database(const char* name, const char* vfs, int flags) {
    const int code = sqlite3_open_v2(name, db_.Out(), flags, vfs);
    if (code != SQLITE_OK)
        throw EIndexError(std::string("Cannot open the index database: ") +
                          (db_.get() ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(code)));
    sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    // Sorts and VACUUM's copy stay in memory too: nothing of a book reaches
    // a temporary file.
    Execute("PRAGMA temp_store=MEMORY");
}

void Database::Execute(const char* sql) const { Check(sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr), sql); }

void Database::Check(int code, const char* doing) const {
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) return;
    throw EIndexError(std::string("The search index failed (") + doing + "): " + sqlite3_errmsg(db_.get()));
}

Statement::Statement(const Database& db, const char* sql) {
    db.Check(sqlite3_prepare_v2(db.Handle(), sql, -1, statement_.Out(), nullptr), sql);
}

void RegisterWordListTokenizer(const Database& db) {
    static fts5_tokenizer tokenizer{CreateTokenizer, DeleteTokenizer, Tokenize};
    fts5_api* api = Fts5Of(db.Handle());
    if (!api) throw EIndexError("This SQLite has no full-text search (FTS5)");
    db.Check(api->xCreateTokenizer(api, "wordlist", nullptr, &tokenizer, nullptr), "registering the tokenizer");
}

}  // namespace search
