// The index's SQLite database, as both the writer and the reader see it:
// an FTS5 table without content over the pages' word lists, read by a
// tokenizer of our own that only splits the lists (the words were found and
// folded before), and a table of the pages' names and titles.
#pragma once

#include "OwnedHandle.h"

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace search {

// The block that holds the index, compressed.
inline constexpr char kIndexBlockName[] = "/zorbin/search";

// A failure of SQLite, with its message.
class EIndexError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Owns one connection.
class Database {
public:
    Database();  // an empty database in one piece of memory, temporary tables and sorts in memory too
    // The database a URI names, read only through the VFS of that name.
    Database(const std::string& uri, const char* vfs);
    // An empty database in memory that other connections of this process
    // open by its URI (SharedUri) while this one is open.
    static Database Shared(const std::string& name);
    static std::string SharedUri(const std::string& name);

    sqlite3* Handle() const { return db_.get(); }
    void Execute(const char* sql) const;
    // Closes the connection; nothing uses it afterwards.
    void Close() { db_.Reset(); }
    // Raises EIndexError with SQLite's message when `code` is an error.
    void Check(int code, const char* doing) const;

private:
    struct InMemory {};
    Database(InMemory, const std::string& uri);  // a memdb database
    Database(const char* name, const char* vfs, int flags);

    base::OwnedHandle<sqlite3*, sqlite3_close> db_;
};

// Owns one prepared statement.
class Statement {
public:
    Statement(const Database& db, const char* sql);  // raises EIndexError

    sqlite3_stmt* get() const { return statement_.get(); }

private:
    base::OwnedHandle<sqlite3_stmt*, sqlite3_finalize> statement_;
};

// Registers the word-list tokenizer on the connection.
void RegisterWordListTokenizer(const Database& db);

// The tables, as the writer makes them, in the order of their names:
//   named   what a reader may type whole to find a named place of a page
//           (`anchor`) or a page's title (`anchor` empty): `keys` spelled
//           as SpelledName (PageWords.h) has them, `total` how many keys
//           they are, `tail` how many of the last keys may be typed alone;
//   page    each page's name, title and `weight`, what its text's ranking
//           is multiplied by (below 1 for pages that are mostly links);
//   words   the full-text index of the word lists.
inline constexpr char kSchema[] =
    "CREATE TABLE named(keys TEXT NOT NULL, total INTEGER NOT NULL, tail INTEGER NOT NULL, page INTEGER NOT NULL, "
    "anchor TEXT NOT NULL, PRIMARY KEY(keys, page, anchor)) WITHOUT ROWID;"
    "CREATE TABLE page(id INTEGER PRIMARY KEY, name TEXT NOT NULL, title TEXT NOT NULL, weight REAL NOT NULL);"
    "CREATE VIRTUAL TABLE words USING fts5(title, headings, body, content='', tokenize='wordlist');";

}  // namespace search
