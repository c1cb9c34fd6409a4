// The book's table of contents as the viewer's tree shows it: the items of
// the tree view, the place each entry opens, which entry stands for the
// place shown, and the pages in the table's order.
#pragma once

#include "Contents.h"
#include "Controls.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace viewer {

using toolkit::TreePath;

// The anchor a page URL goes to: its fragment, decoded; empty without one.
std::string AnchorOfUrl(const std::string& pageUrl);

// The page URL that opens a page of the book at an anchor (none when empty).
std::string PlaceUrl(const std::string& page, const std::string& anchor);

class BookContents : public toolkit::TTreeItems {
public:
    explicit BookContents(contents::Contents contents);

    std::size_t Count(const TreePath& item) const override;
    std::string Title(const TreePath& item) const override;

    // The entry at a path; null for a path the tree does not have.
    const contents::Entry* EntryAt(const TreePath& item) const;

    // The entry that stands for a place shown: `kept` when it opens that
    // place (a page listed twice keeps the entry the reader chose), else the
    // first that opens the page at the anchor, else the page's own entry
    // (no anchor), else the page's first; nothing when no entry opens the
    // page. The page is looked up under each of the names a URL may give.
    std::optional<TreePath> EntryFor(const std::vector<std::string>& pageNames, const std::string& anchor,
                                     const TreePath& kept) const;

    // The next (or previous) entry in the table's order, from `from`, that
    // opens another page than `from` does; from the start (or nothing)
    // when `from` is empty.
    std::optional<TreePath> NextPage(const TreePath& from, bool forward) const;

private:
    struct Item {
        TreePath path;
        const contents::Entry* entry;
    };
    void List(const std::vector<contents::Entry>& entries, TreePath& path);
    const std::vector<contents::Entry>& ChildrenOf(const TreePath& item) const;

    contents::Contents contents_;
    std::vector<Item> order_;                                         // every entry, in the table's order
    std::unordered_map<std::string, std::vector<std::size_t>> pages_;  // each page's entries in order_
};

}  // namespace viewer
