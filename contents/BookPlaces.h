// The pages of a book being compiled, and where a link from one of them
// leads inside the book.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace contents {

struct Place {
    std::string page;    // the page's name as the book spells it
    std::string anchor;  // without '#', percent-decoded; may be empty
};

class BookPlaces {
public:
    // Page names are the book's block names: relative, '/' between folders.
    explicit BookPlaces(const std::vector<std::string>& pages);

    // Where `href`, written in page `from`, leads: a page of the book (in any
    // letter case, as the book's pages are found) and an anchor in it, or
    // nothing for a link out of the book, to a page it does not hold, or a
    // script. An empty path is the page itself.
    std::optional<Place> Resolve(std::string_view from, std::string_view href) const;
    // The page of that name in any letter case, as the book spells it.
    std::optional<std::string> Find(std::string_view page) const;

private:
    std::unordered_map<std::string, std::string> byFoldedName_;
};

}  // namespace contents
