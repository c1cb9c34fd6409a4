// This build's side of bench/search_quality.sh: the eBook's whole-book
// search, as `zorbin-compiler search` makes it, for every query read from
// standard input (one a line), in one process:
//   bench_search_quality EBOOK LIMIT < QUERIES
// Prints one line per query: its first LIMIT results, best first, each as
// the command line names it (`page#anchor` for a named place, else the
// page), tab-separated; an empty line when nothing is found.
#include "BookSearch.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: bench_search_quality EBOOK LIMIT < QUERIES\n";
        return 2;
    }
    const std::unique_ptr<search::BookSearch> book = search::BookSearch::Open(book::Book::Open(argv[1]));
    if (!book) {
        std::cerr << argv[1] << " has no search index\n";
        return 1;
    }
    const std::size_t limit = std::stoul(argv[2]);
    for (std::string query; std::getline(std::cin, query);) {
        std::string line;
        for (const search::Found& found : book->Search(query, false, limit).found) {
            line += (line.empty() ? "" : "\t") + found.hit.pageName;
            if (!found.hit.anchor.empty()) line += "#" + found.hit.anchor;
        }
        std::cout << line << "\n";
    }
    return 0;
}
