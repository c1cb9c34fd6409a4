// Writes a reproducible documentation-like tree for the compile benchmarks:
// HTML pages, style sheets and scripts (compressible text) and pictures
// (incompressible bytes), spread over sub-folders.
//   make_corpus FOLDER MEGABYTES
#include "html_like.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_corpus FOLDER MEGABYTES\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const std::size_t target = std::stoul(argv[2]) << 20;
    std::mt19937 gen(7);
    std::size_t written = 0;
    for (int i = 0; written < target; ++i) {
        const std::filesystem::path folder = root / ("part" + std::to_string(i % 12)) / ("sec" + std::to_string(i % 7));
        std::filesystem::create_directories(folder);
        std::string name, bytes;
        switch (i % 10) {
            case 0: case 1: case 2: case 3: case 4: case 5:
                name = "page" + std::to_string(i) + ".html";
                bytes = HtmlLike(20000 + gen() % 120000, static_cast<unsigned>(i));
                break;
            case 6:
                name = "style" + std::to_string(i) + ".css";
                bytes = HtmlLike(8000 + gen() % 20000, static_cast<unsigned>(i));
                break;
            case 7:
                name = "code" + std::to_string(i) + ".js";
                bytes = HtmlLike(10000 + gen() % 60000, static_cast<unsigned>(i));
                break;
            default:
                name = "picture" + std::to_string(i) + ".png";
                bytes.resize(30000 + gen() % 250000);
                for (char& c : bytes) c = static_cast<char>(gen());
        }
        std::ofstream(folder / name, std::ios::binary) << bytes;
        written += bytes.size();
    }
    std::ofstream(root / "index.html") << "<html><body><h1>Benchmark corpus</h1></body></html>\n";
    std::cout << written << " bytes written under " << root << "\n";
    return 0;
}
