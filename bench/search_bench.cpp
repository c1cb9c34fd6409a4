// Whole-book search timed as a reader meets it, in one process:
//   bench_search EBOOK QUERIES-FILE ROUNDS
// The eBook is mapped and its blocks indexed in the background as the
// viewer does at start; after a reader's pause, the first search is timed
// (opening the index included), then every query of the file (one per
// line), each with the snippets of its 20 best pages, ROUNDS times over.
// Last, one more look-up of the text libraries the viewer makes at its
// first search is timed on its own.
// Prints: first_search_ms F query_median_ms M query_p90_ms P index_kb K lookup_ms L
#include "BookSearch.h"
#include "LibraryLookup.h"
#include "SimExe.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <thread>
#include <vector>

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: bench_search EBOOK QUERIES-FILE ROUNDS\n";
        return 2;
    }
    std::vector<std::string> queries;
    std::ifstream file(argv[2]);
    for (std::string line; std::getline(file, line);)
        if (!line.empty()) queries.push_back(line);
    const int rounds = std::stoi(argv[3]);
    if (queries.empty()) return 2;

    const std::shared_ptr<const book::Book> opened = book::Book::Open(argv[1]);
    opened->IndexInBackground();
    std::this_thread::sleep_for(std::chrono::seconds(2));  // the reader finds the button and types

    auto start = std::chrono::steady_clock::now();
    const std::unique_ptr<search::BookSearch> book = search::BookSearch::Open(opened);
    if (!book) {
        std::cerr << argv[1] << " has no search index\n";
        return 1;
    }
    book->Search(queries.front(), false, 20);
    const double first = MillisecondsSince(start);

    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        for (const std::string& query : queries) {
            start = std::chrono::steady_clock::now();
            book->Search(query, false, 20);
            times.push_back(MillisecondsSince(start));
        }
    }
    std::sort(times.begin(), times.end());
    start = std::chrono::steady_clock::now();
    const bool found = search::LookUpTextLibraries().libraries.has_value();
    const double lookup = MillisecondsSince(start);
    if (!found) return 1;
    std::string image;
    opened->ReadBlock(search::kIndexBlockName, image);
    std::cout << "first_search_ms " << first << " query_median_ms " << times[times.size() / 2] << " query_p90_ms "
              << times[times.size() * 9 / 10] << " index_kb " << image.size() / 1024 << " lookup_ms " << lookup
              << "\n";
    return 0;
}
