// Queries on the index database, opened from its image or its block.
#include "SearchIndex.h"

#include "PageWords.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <unordered_set>

namespace search {

namespace {

// How much more a hit in the title and in a heading weighs than one in
// the body. A page's weight (see kSchema) scales it once read: the few
// weights below 1 are held in memory, since looking each page up beside a
// long list of matches would read the index twice over.
constexpr char kRanked[] = "SELECT rowid, bm25(words, 8.0, 3.0, 1.0) FROM words WHERE words MATCH ?1";

constexpr char kLightPages[] = "SELECT id, weight FROM page WHERE weight < 1";

// Titles and names spelled ?1 (see SpelledName), ?2 keys: whole, or as the
// tail of a name; whole ones (the fewest keys) first, then titles, then the
// shortest, in page order; at most ?3.
constexpr char kNamed[] =
    "SELECT page, anchor FROM named WHERE keys >= ?1 AND keys < ?1 || x'FF' "
    "AND (length(keys) = length(?1) OR (tail >= ?2 AND substr(keys, length(?1) + 1, 1) IN ('.', ' '))) "
    "ORDER BY total, anchor != '', length(keys), page, anchor LIMIT ?3";

// The statements that made the tables, as kSchema writes them.
std::string SchemaOf(const Database& db) {
    std::string schema;
    const Statement tables(db, "SELECT sql FROM sqlite_schema WHERE name IN ('named', 'page', 'words') ORDER BY name");
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
    : pages_(Prepared(Deserialized(db_, image))), lightPages_(LightPages(db_)), match_(db_, kRanked),
      page_(db_, kPageOfId), named_(db_, kNamed) {}

SearchIndex::SearchIndex(const IndexBlock& block)
    : files_(std::make_unique<BlockFileSystem>(block.book)), db_(BlockFileUri(block.name), files_->Name()),
      pages_(Prepared(db_)), lightPages_(LightPages(db_)), match_(db_, kRanked), page_(db_, kPageOfId),
      named_(db_, kNamed) {}

std::unordered_map<sqlite3_int64, double> SearchIndex::LightPages(const Database& db) {
    std::unordered_map<sqlite3_int64, double> weights;
    const Statement light(db, kLightPages);
    int code;
    while ((code = sqlite3_step(light.get())) == SQLITE_ROW)
        weights.emplace(sqlite3_column_int64(light.get(), 0), sqlite3_column_double(light.get(), 1));
    db.Check(code, "reading the pages' weights");
    return weights;
}

std::size_t SearchIndex::Prepared(const Database& db) {
    RegisterWordListTokenizer(db);
    db.Execute("PRAGMA query_only=ON; PRAGMA trusted_schema=OFF; PRAGMA cell_size_check=ON;");
    if (SchemaOf(db) != kSchema) throw EIndexError("The search index is not one this program wrote");
    const Statement count(db, "SELECT count(*) FROM page");
    const int code = sqlite3_step(count.get());
    db.Check(code, "counting pages");
    return code == SQLITE_ROW ? static_cast<std::size_t>(sqlite3_column_int64(count.get(), 0)) : 0;
}

// Names are spelled by whole words; a word still being typed counts as it
// stands. A joined word that spells no name may spell the slug a generator
// made of it (gtk_widget_show, the heading of the place gtk-widget-show):
// its parts are then looked up as words of their own.
std::vector<SearchIndex::Place> SearchIndex::Named(const Query& query, std::size_t limit) const {
    std::vector<Place> places = NamedSpelled(SpellName(query.words), limit);
    if (!places.empty()) return places;
    std::vector<std::string> apart;
    for (const std::string& word : query.words)
        ForEachListedKey(word, [&](std::string_view part) { apart.emplace_back(part); });
    return apart.size() > query.words.size() ? NamedSpelled(SpellName(apart), limit) : places;
}

std::vector<SearchIndex::Place> SearchIndex::NamedSpelled(const SpelledName& name, std::size_t limit) const {
    sqlite3_stmt* named = named_.get();
    sqlite3_bind_text(named, 1, name.reversed.data(), static_cast<int>(name.reversed.size()), SQLITE_STATIC);
    sqlite3_bind_int64(named, 2, static_cast<sqlite3_int64>(name.keys));
    sqlite3_bind_int64(named, 3, static_cast<sqlite3_int64>(limit));
    std::vector<Place> places;
    int code;
    while ((code = sqlite3_step(named)) == SQLITE_ROW)
        places.push_back({sqlite3_column_int64(named, 0), TextColumn(named, 1)});
    sqlite3_reset(named);
    db_.Check(code, "looking up names");
    // A page found by its title is not listed again for a place on it.
    std::unordered_set<sqlite3_int64> byTitle;
    for (const Place& place : places)
        if (place.anchor.empty()) byTitle.insert(place.page);
    std::erase_if(places, [&](const Place& place) { return !place.anchor.empty() && byTitle.contains(place.page); });
    return places;
}

Hit SearchIndex::HitOf(const Place& place, double score) const {
    Hit hit;
    hit.score = score;
    sqlite3_stmt* page = page_.get();
    sqlite3_bind_int64(page, 1, place.page);
    const int code = sqlite3_step(page);
    if (code == SQLITE_ROW) {
        hit.pageName = TextColumn(page, 0);
        hit.title = place.anchor.empty() ? TextColumn(page, 1) : place.anchor;
        hit.anchor = place.anchor;
    }
    sqlite3_reset(page);
    db_.Check(code, "reading a page's name");
    return hit;
}

Results SearchIndex::Find(const Query& query, std::size_t limit) const {
    Results results;
    if (query.empty() || limit == 0) return results;
    const std::vector<Place> named = Named(query, std::min(limit, kMostNamedHits));
    std::unordered_set<sqlite3_int64> namedPages;
    for (const Place& place : named) namedPages.insert(place.page);
    // The pages that match, but for those listed by a name already.
    const std::string expression = MatchExpression(query);
    sqlite3_stmt* match = match_.get();
    sqlite3_bind_text(match, 1, expression.data(), static_cast<int>(expression.size()), SQLITE_STATIC);
    struct Scored {
        double score;
        sqlite3_int64 id;
        bool operator<(const Scored& other) const { return std::tie(score, id) < std::tie(other.score, other.id); }
    };
    std::vector<Scored> matched;
    std::size_t namedPagesMatched = 0;
    int code;
    while ((code = sqlite3_step(match)) == SQLITE_ROW) {
        ++results.count;
        const sqlite3_int64 id = sqlite3_column_int64(match, 0);
        if (namedPages.contains(id)) {
            ++namedPagesMatched;
            continue;
        }
        const auto light = lightPages_.find(id);
        matched.push_back({sqlite3_column_double(match, 1) * (light == lightPages_.end() ? 1.0 : light->second), id});
    }
    sqlite3_reset(match);
    db_.Check(code, "searching");
    results.count += named.size() - namedPagesMatched;
    // The best pages, best first (the lowest scores, as bm25() ranks).
    const std::size_t shown = std::min(matched.size(), limit - std::min(limit, named.size()));
    std::partial_sort(matched.begin(), matched.begin() + static_cast<std::ptrdiff_t>(shown), matched.end());
    for (const Place& place : named) results.hits.push_back(HitOf(place, 0));
    for (std::size_t i = 0; i < shown; ++i) results.hits.push_back(HitOf({matched[i].id, {}}, matched[i].score));
    return results;
}

}  // namespace search
