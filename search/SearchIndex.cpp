// Queries on the index database, opened from its image.
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
    sqlite3_stmt* statement = nullptr;
    db.Check(sqlite3_prepare_v2(db.Handle(),
                                "SELECT sql FROM sqlite_schema WHERE name IN ('page', 'words') ORDER BY name", -1,
                                &statement, nullptr),
             "reading the schema");
    int code;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        const unsigned char* sql = sqlite3_column_text(statement, 0);
        schema += sql ? reinterpret_cast<const char*>(sql) : "";
        schema += ';';
    }
    sqlite3_finalize(statement);
    db.Check(code, "reading the schema");
    return schema;
}

std::string TextColumn(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

}  // namespace

SearchIndex::SearchIndex(std::string_view image) {
    RegisterWordListTokenizer(db_);
    // SQLite reads the image where it is; the flag keeps it from writing.
    auto* bytes = reinterpret_cast<unsigned char*>(const_cast<char*>(image.data()));
    const auto size = static_cast<sqlite3_int64>(image.size());
    db_.Check(sqlite3_deserialize(db_.Handle(), "main", bytes, size, size, SQLITE_DESERIALIZE_READONLY),
              "opening the index");
    db_.Execute("PRAGMA query_only=ON; PRAGMA trusted_schema=OFF; PRAGMA cell_size_check=ON;");
    if (SchemaOf(db_) != kSchema) throw EIndexError("The search index is not one this program wrote");
    db_.Check(sqlite3_prepare_v2(db_.Handle(), kRanked, -1, &match_, nullptr), "preparing the search");
    db_.Check(sqlite3_prepare_v2(db_.Handle(), "SELECT name, title FROM page WHERE id = ?1", -1, &page_, nullptr),
              "preparing the search");
    sqlite3_stmt* count = nullptr;
    db_.Check(sqlite3_prepare_v2(db_.Handle(), "SELECT count(*) FROM page", -1, &count, nullptr), "counting pages");
    const int code = sqlite3_step(count);
    pages_ = code == SQLITE_ROW ? static_cast<std::size_t>(sqlite3_column_int64(count, 0)) : 0;
    sqlite3_finalize(count);
    db_.Check(code, "counting pages");
}

SearchIndex::~SearchIndex() {
    sqlite3_finalize(match_);
    sqlite3_finalize(page_);
}

Results SearchIndex::Find(const Query& query, std::size_t limit) const {
    Results results;
    if (query.empty()) return results;
    const std::string expression = MatchExpression(query);
    sqlite3_bind_text(match_, 1, expression.data(), static_cast<int>(expression.size()), SQLITE_STATIC);
    std::vector<std::pair<sqlite3_int64, double>> best;
    int code;
    while ((code = sqlite3_step(match_)) == SQLITE_ROW) {
        if (best.size() < limit) best.emplace_back(sqlite3_column_int64(match_, 0), sqlite3_column_double(match_, 1));
        ++results.count;
    }
    sqlite3_reset(match_);
    db_.Check(code, "searching");
    for (const auto& [id, score] : best) {
        sqlite3_bind_int64(page_, 1, id);
        code = sqlite3_step(page_);
        if (code == SQLITE_ROW) results.hits.push_back({TextColumn(page_, 0), TextColumn(page_, 1), score});
        sqlite3_reset(page_);
        db_.Check(code, "reading a page's name");
    }
    return results;
}

}  // namespace search
