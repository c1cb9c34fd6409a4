// Links resolved as a browser resolves them against the page's address,
// with the book's root as the top: "../" never climbs out of it.
#include "BookPlaces.h"

#include "Ascii.h"
#include "SimExe.h"

#include <algorithm>

namespace contents {

namespace {

// Whether a link names a scheme ("http:", "mailto:", "javascript:") or a
// host ("//host/"): then it leads out of the book.
bool LeadsOut(std::string_view href) {
    if (href.starts_with("//")) return true;
    const std::size_t colon = href.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const std::string_view scheme = href.substr(0, colon);
    return ascii::IsAlpha(scheme[0]) &&
           std::ranges::all_of(scheme, [](char c) { return ascii::IsAlnum(c) || c == '+' || c == '-' || c == '.'; }) &&
           scheme.find('/') == std::string_view::npos;
}

// The folder part of a page name, with its trailing '/'.
std::string_view FolderOf(std::string_view page) {
    const std::size_t slash = page.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : page.substr(0, slash + 1);
}

// A path with "." and ".." segments resolved, none above the top.
std::string Normalized(std::string_view path) {
    std::vector<std::string_view> segments;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (segment != "." && !segment.empty()) {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string joined;
    for (const std::string_view segment : segments) {
        if (!joined.empty()) joined += '/';
        joined += segment;
    }
    return joined;
}

}  // namespace

BookPlaces::BookPlaces(const std::vector<std::string>& pages) {
    for (const std::string& page : pages) byFoldedName_.emplace(SimExe::FoldName(page), page);
}

std::optional<std::string> BookPlaces::Find(std::string_view page) const {
    const auto found = byFoldedName_.find(SimExe::FoldName(page));
    if (found == byFoldedName_.end()) return std::nullopt;
    return found->second;
}

std::optional<Place> BookPlaces::Resolve(std::string_view from, std::string_view href) const {
    while (!href.empty() && ascii::IsSpace(href.front())) href.remove_prefix(1);
    while (!href.empty() && ascii::IsSpace(href.back())) href.remove_suffix(1);
    if (LeadsOut(href)) return std::nullopt;
    const std::size_t hash = href.find('#');
    std::string_view path = href.substr(0, hash);
    const std::string anchor = hash == std::string_view::npos ? std::string() : ascii::PercentDecoded(href.substr(hash + 1));
    path = path.substr(0, path.find('?'));
    const std::string decoded = ascii::PercentDecoded(path);
    std::string target;
    if (decoded.empty()) {
        target = from;
    } else if (decoded.front() == '/') {
        target = Normalized(decoded);
    } else {
        target = Normalized(std::string(FolderOf(from)) + decoded);
    }
    std::optional<std::string> page = Find(target);
    if (!page) return std::nullopt;
    return Place{std::move(*page), anchor};
}

}  // namespace contents
