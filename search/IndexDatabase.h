// The index's SQLite database, as both the writer and the reader see it:
// an FTS5 table without content over the pages' word lists, read by a
// tokenizer of our own that only splits the lists (the words were found and
// folded before), and a table of the pages' names and titles.
#pragma once

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
    Database();  // an empty database in memory, temporary tables and sorts in memory too
    // The database a URI names, read only through the VFS of that name.
    Database(const std::string& uri, const char* vfs);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* Handle() const { return db_; }
    void Execute(const char* sql) const;
    // Raises EIndexError with SQLite's message when `code` is an error.
    void Check(int code, const char* doing) const;

private:
    Database(const char* name, const char* vfs, int flags);

    sqlite3* db_ = nullptr;
};

// Owns one prepared statement.
class Statement {
public:
    Statement(const Database& db, const char* sql);  // raises EIndexError
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return statement_; }

private:
    sqlite3_stmt* statement_ = nullptr;
};

// Registers the word-list tokenizer on the connection.
void RegisterWordListTokenizer(const Database& db);

// The tables, as the writer makes them.
inline constexpr char kSchema[] =
    "CREATE TABLE page(id INTEGER PRIMARY KEY, name TEXT NOT NULL, title TEXT NOT NULL);"
    "CREATE VIRTUAL TABLE words USING fts5(title, headings, body, content='', tokenize='wordlist');";

}  // namespace search
