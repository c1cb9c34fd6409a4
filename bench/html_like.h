// Reproducible HTML-like text for the benchmarks: tags, attributes and
// words drawn from a small vocabulary, as documentation pages are.
#pragma once

#include <random>
#include <string>

inline std::string HtmlLike(std::size_t bytes, unsigned seed = 42) {
    static const char* words[] = {"the", "eBook", "chapter", "compiler", "page", "reader", "folder", "image",
                                  "style", "link", "table", "section", "of", "and", "to", "with", "a", "is"};
    static const char* tags[] = {"p", "div", "span", "li", "td", "h2", "a"};
    std::mt19937 gen(seed);
    std::string out = "<html><head><title>Bench</title></head><body>\n";
    while (out.size() < bytes) {
        const char* tag = tags[gen() % 7];
        out += "<";
        out += tag;
        out += " class=\"c" + std::to_string(gen() % 40) + "\">";
        for (int w = 0, n = 3 + gen() % 12; w < n; ++w) {
            out += words[gen() % 18];
            out += ' ';
        }
        out += "</";
        out += tag;
        out += ">\n";
    }
    out.resize(bytes);
    return out;
}
