// Reads a book's search index: opens the database image in place (read
// only, never copied or written anywhere) and answers queries: first the
// titles and named places the query spells whole (or ends, for a name made
// of parts), then the other pages ranked by relevance (BM25, a title hit
// weighing most, then a heading hit; pages of links weigh less).
#pragma once

#include "Book.h"
#include "IndexDatabase.h"
#include "IndexFile.h"
#include "Query.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace search {

struct SpelledName;

struct Hit {
    std::string pageName;  // its block name
    std::string anchor;    // a named place of the page; empty for the page as a whole
    std::string title;     // the page's title, or the place's name (BookSearch: the text it names)
    double score = 0;      // lower is better, as SQLite's bm25() ranks; 0 for a name
};

struct Results {
    std::size_t count = 0;  // every page or place that matches
    std::vector<Hit> hits;  // the best of them, best first
};

// The most named places and titles a query lists ahead of the pages.
inline constexpr std::size_t kMostNamedHits = 10;

// A chunked block of a book that holds an index (IndexFile.h).
struct IndexBlock {
    std::shared_ptr<const book::Book> book;
    std::string name;
};

class SearchIndex {
public:
    // An index image held in memory; `image` must outlive the index. Raises
    // EIndexError when it is not an index this program wrote, or is damaged.
    explicit SearchIndex(std::string_view image);
    // An index read in place from its block, likewise.
    explicit SearchIndex(const IndexBlock& block);
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    std::size_t Pages() const { return pages_; }
    // The named places and pages that match the query, the `limit` best.
    // Raises EIndexError when the index turns out damaged.
    Results Find(const Query& query, std::size_t limit) const;

private:
    struct Place {
        sqlite3_int64 page;
        std::string anchor;  // empty for the page as a whole
    };
    // Checks the connection's database is an index of ours; the pages it holds.
    static std::size_t Prepared(const Database& db);
    // The pages weighing less than 1, with their weights.
    static std::unordered_map<sqlite3_int64, double> LightPages(const Database& db);
    // The titles and named places the query spells, best first.
    std::vector<Place> Named(const Query& query, std::size_t limit) const;
    std::vector<Place> NamedSpelled(const SpelledName& name, std::size_t limit) const;
    Hit HitOf(const Place& place, double score) const;

    std::unique_ptr<BlockFileSystem> files_;  // an index read in place reads its book through it
    Database db_;
    std::size_t pages_;
    std::unordered_map<sqlite3_int64, double> lightPages_;
    Statement match_, page_, named_;
};

}  // namespace search
