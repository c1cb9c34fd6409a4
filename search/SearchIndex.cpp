// Queries on the index database, opened from its image or its block.
#include "SearchIndex.h"

#include <cstring>

namespace search {

namespace {

// How much more a hit in the title and in a heading weighs than one in
// the body.
constexpr char kRanked[] =
    "SELECT rowid, bm25(words, 8.0, 3.0, 1.0) AS score FROM words WHERE words MATCH ?1 ORDER BY score, rowid";

// The statements that made the two tables, as kSchema writes them.
std::string SchemaOf(const Database& db) {
    std::string schema;
    const Statement tables(db, "SELECT sql FROM sqlite_schema WHERE name IN ('page', 'words') ORDER BY name");
    int code;
    while ((code = sqlite3_step(tables.get())) == SQLITE_ROW) {
        const unsigned char* sql = sqlite3_column_text(tables.get(), 0);
        schema += sql ? reinterpret_cast<const char*>(sql) : "";
        schema += ';';
    }
    db.Check(code, "reading the schema");
    return schema;
}

constexpr char kPageOfId[] = "SELECT name, title FROM page WHERE id = ?1";

std::string TextColumn(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// SQLite reads the image where it is; the flag keeps it from writing.
const Database& Deserialized(const Database& db, std::string_view image) {
    auto* bytes = reinterpret_cast<unsigned char*>(const_cast<char*>(image.data()));
    const auto size = static_cast<sqlite3_int64>(image.size());
    db.Check(sqlite3_deserialize(db.Handle(), "main", bytes, size, size, SQLITE_DESERIALIZE_READONLY),
             "opening the index");
    return db;
}

}  // namespace

SearchIndex::SearchIndex(std::string_view image)
    : pages_(Prepared(Deserialized(db_, image))), match_(db_, kRanked), page_(db_, kPageOfId) {}

SearchIndex::SearchIndex(const IndexBlock& block)
    : files_(std::make_unique<BlockFileSystem>(block.book)), db_(BlockFileUri(block.name), files_->Name()),
      pages_(Prepared(db_)), match_(db_, kRanked), page_(db_, kPageOfId) {}

std::size_t SearchIndex::Prepared(const Database& db) {
    RegisterWordListTokenizer(db);
    db.Execute("PRAGMA query_only=ON; PRAGMA trusted_schema=OFF; PRAGMA cell_size_check=ON;");
    if (SchemaOf(db) != kSchema) throw EIndexError("The search index is not one this program wrote");
    const Statement count(db, "SELECT count(*) FROM page");
    const int code = sqlite3_step(count.get());
    db.Check(code, "counting pages");
    return code == SQLITE_ROW ? static_cast<std::size_t>(sqlite3_column_int64(count.get(), 0)) : 0;
}

Results SearchIndex::Find(const Query& query, std::size_t limit) const {
    Results results;
    if (query.empty()) return results;
    const std::string expression = MatchExpression(query);
    sqlite3_stmt* match = match_.get();
    sqlite3_bind_text(match, 1, expression.data(), static_cast<int>(expression.size()), SQLITE_STATIC);
    std::vector<std::pair<sqlite3_int64, double>> best;
    int code;
    while ((code = sqlite3_step(match)) == SQLITE_ROW) {
        if (best.size() < limit) best.emplace_back(sqlite3_column_int64(match, 0), sqlite3_column_double(match, 1));
        ++results.count;
    }
    sqlite3_reset(match);
    db_.Check(code, "searching");
    sqlite3_stmt* page = page_.get();
    for (const auto& [id, score] : best) {
        sqlite3_bind_int64(page, 1, id);
        code = sqlite3_step(page);
        if (code == SQLITE_ROW) results.hits.push_back({TextColumn(page, 0), TextColumn(page, 1), score});
        sqlite3_reset(page);
        db_.Check(code, "reading a page's name");
    }
    return results;
}

}  // namespace search
