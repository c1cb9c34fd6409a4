// Writes reproducible folders for the benchmarks:
//   make_corpus tree FOLDER MEGABYTES    documentation-like pages, style sheets,
//                                        scripts and pictures in sub-folders
//   make_corpus media FOLDER MEGABYTES   incompressible media files of 16 MB
//   make_corpus images FOLDER COUNT      index.html showing COUNT PNG pictures
//   make_corpus video FOLDER MEGABYTES   one incompressible file of that size
//                                        (a stand-in for a video) and two pages
//   make_corpus text FOLDER MEGABYTES    one HTML-like text file of that size
//   make_corpus book FOLDER PAGES        PAGES pages of about 50 KB of prose
//                                        whose words follow Zipf's law over a
//                                        vocabulary of 60,000 made-up words;
//                                        FOLDER.queries holds 30 queries on them
#include "html_like.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string RandomBytes(std::size_t size, std::mt19937& gen) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(gen());
    return bytes;
}

std::size_t Tree(const fs::path& root, std::size_t target) {
    std::mt19937 gen(7);
    std::size_t written = 0;
    for (int i = 0; written < target; ++i) {
        const fs::path folder = root / ("part" + std::to_string(i % 12)) / ("sec" + std::to_string(i % 7));
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
                bytes = RandomBytes(30000 + gen() % 250000, gen);
        }
        Write(folder / name, bytes);
        written += bytes.size();
    }
    Write(root / "index.html", "<html><body><h1>Benchmark corpus</h1></body></html>\n");
    return written;
}

std::size_t Media(const fs::path& root, std::size_t target) {
    std::mt19937 gen(5);
    std::size_t written = 0;
    for (int i = 0; written < target; ++i) {
        const std::size_t size = std::min<std::size_t>(16 << 20, target - written);
        Write(root / ("clip" + std::to_string(i) + ".ogv"), RandomBytes(size, gen));
        written += size;
    }
    return written;
}

// One large file written in pieces of 16 MB, each made by `piece(size, i)`.
std::size_t OneLargeFile(const fs::path& file, std::size_t target,
                         const std::function<std::string(std::size_t, unsigned)>& piece) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    std::size_t written = 0;
    for (unsigned i = 0; written < target; ++i) {
        const std::string bytes = piece(std::min<std::size_t>(16 << 20, target - written), i);
        out << bytes;
        written += bytes.size();
    }
    return written;
}

std::size_t Video(const fs::path& root, std::size_t target) {
    std::mt19937 gen(9);
    Write(root / "index.html", "<html><body><h1>A film</h1><video src=\"media/film.webm\" controls></video></body></html>\n");
    Write(root / "credits.html", HtmlLike(30000, 3));
    return OneLargeFile(root / "media" / "film.webm", target,
                        [&](std::size_t size, unsigned) { return RandomBytes(size, gen); });
}

std::size_t Text(const fs::path& root, std::size_t target) {
    Write(root / "index.html", "<html><body><a href=\"book.html\">The whole book</a></body></html>\n");
    return OneLargeFile(root / "book.html", target, [](std::size_t size, unsigned i) { return HtmlLike(size, 100 + i); });
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    const std::uint32_t length = static_cast<std::uint32_t>(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>(length >> shift);
    const std::string body = type + data;
    png += body;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>(crc >> shift);
}

// A 240 x 160 RGB picture: a gradient with noise, as photographs compress.
std::string Picture(unsigned seed) {
    const int width = 240, height = 160;
    std::mt19937 gen(seed);
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0';
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) rows += static_cast<char>((x + y * c + static_cast<int>(seed) * 40) / 2 + gen() % 48);
    }
    std::string packed(compressBound(static_cast<uLong>(rows.size())), '\0');
    uLongf packedSize = static_cast<uLongf>(packed.size());
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
              static_cast<uLong>(rows.size()), 6);
    packed.resize(packedSize);
    std::string header;
    for (std::uint32_t v : {std::uint32_t(width), std::uint32_t(height)})
        for (int shift = 24; shift >= 0; shift -= 8) header += static_cast<char>(v >> shift);
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter choice, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", "");
    return png;
}

std::size_t Images(const fs::path& root, int count) {
    std::size_t written = 0;
    std::string page = "<html><head><title>Pictures</title></head><body>\n";
    for (int i = 0; i < count; ++i) {
        const std::string name = "pictures/picture" + std::to_string(i) + ".png";
        const std::string png = Picture(static_cast<unsigned>(i));
        Write(root / name, png);
        written += png.size();
        page += "<img src=\"" + name + "\" width=\"120\" height=\"80\">\n";
    }
    Write(root / "index.html", page + "</body></html>\n");
    return written;
}

// A made-up word for each rank: syllables, so that it reads like a word.
std::string VocabularyWord(std::size_t rank) {
    static const char* syllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "to", "vi", "ba", "de",
                                      "fu", "go", "hi", "ju", "ke", "la", "mo", "nu", "pa", "ri"};
    std::string word;
    for (std::size_t n = rank + 20; n > 0; n /= 20) word += syllables[n % 20];
    return word;
}

// Pages of prose: a title, headings and paragraphs of words drawn by rank
// with probability falling as 1/rank, as words of real text do.
std::size_t Book(const fs::path& root, std::size_t pages) {
    constexpr std::size_t kVocabulary = 60000;
    std::vector<double> weights(kVocabulary);
    for (std::size_t r = 0; r < kVocabulary; ++r) weights[r] = 1.0 / static_cast<double>(r + 1);
    std::discrete_distribution<std::size_t> rank(weights.begin(), weights.end());
    std::mt19937 gen(11);
    const auto words = [&](int n) {
        std::string text;
        for (int w = 0; w < n; ++w) text += (w ? " " : "") + VocabularyWord(rank(gen));
        return text;
    };
    std::size_t written = 0;
    for (std::size_t p = 0; p < pages; ++p) {
        std::string page = "<html><head><title>" + words(4) + "</title></head><body>\n<h1>" + words(4) + "</h1>\n";
        while (page.size() < 50000) {
            if (gen() % 8 == 0) page += "<h2>" + words(3) + "</h2>\n";
            page += "<p>" + words(40 + static_cast<int>(gen() % 60)) + ".</p>\n";
        }
        page += "</body></html>\n";
        Write(root / ("part" + std::to_string(p % 100)) / ("page" + std::to_string(p) + ".html"), page);
        written += page.size();
    }
    Write(root / "index.html", "<html><head><title>Benchmark book</title></head><body>Start</body></html>\n");
    // Words common, rare and absent, prefixes and phrases, as readers type them.
    std::ofstream queries(root.string() + ".queries");
    for (std::size_t r : {3, 40, 200, 900, 2500, 7000, 15000, 30000, 50000, 59000})
        queries << VocabularyWord(r) << "\n";
    for (std::size_t r : {10, 150, 1200, 8000, 40000})
        queries << VocabularyWord(r).substr(0, 4) << "*\n";
    for (std::size_t r : {5, 60, 400, 3000, 20000}) queries << VocabularyWord(r) << " " << VocabularyWord(r * 3 + 7) << "\n";
    for (std::size_t r : {1, 2, 8, 30, 100})
        queries << "\"" << VocabularyWord(r) << " " << VocabularyWord(r + 1) << "\"\n";
    for (const char* absent : {"zyzzyva", "qwertyuiop", "xylograph", "flibbertigibbet", "quux"}) queries << absent << "\n";
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 4 ? argv[1] : "";
    if (mode != "tree" && mode != "media" && mode != "images" && mode != "video" && mode != "text" && mode != "book") {
        std::cerr << "usage: make_corpus tree|media|video|text FOLDER MEGABYTES | make_corpus images FOLDER COUNT\n"
                     "       make_corpus book FOLDER PAGES\n";
        return 2;
    }
    const fs::path root = argv[2];
    const std::size_t amount = std::stoul(argv[3]);
    const std::size_t written = mode == "tree"    ? Tree(root, amount << 20)
                                : mode == "media" ? Media(root, amount << 20)
                                : mode == "video" ? Video(root, amount << 20)
                                : mode == "text"  ? Text(root, amount << 20)
                                : mode == "book"  ? Book(root, amount)
                                                  : Images(root, static_cast<int>(amount));
    std::cout << written << " bytes written under " << root << "\n";
    return 0;
}
