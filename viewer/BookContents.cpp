// Paths in the table's order are the paths in lexicographic order, so an
// entry's place in that order is found by binary search.
#include "BookContents.h"

#include "Ascii.h"
#include "eProtocol.h"

#include <algorithm>

namespace viewer {

std::string AnchorOfUrl(const std::string& pageUrl) {
    const std::size_t hash = pageUrl.find('#');
    if (hash == std::string::npos) return {};
    return ascii::PercentDecoded(std::string_view(pageUrl).substr(hash + 1));
}

std::string PlaceUrl(const std::string& page, const std::string& anchor) {
    if (anchor.empty()) return PageUrl(page);
    // Escaped where a fragment cannot carry the byte as it is, and '%', so
    // the decoded fragment is the anchor again.
    return PageUrl(page) + '#' + ascii::PercentEncoded(anchor, [](unsigned char byte) {
               return byte <= 0x20 || byte >= 0x7f || std::string_view("%\"<>`#").find(static_cast<char>(byte)) !=
                                                          std::string_view::npos;
           });
}

BookContents::BookContents(contents::Contents contents) : contents_(std::move(contents)) {
    TreePath path;
    List(contents_.entries, path);
    for (std::size_t i = 0; i < order_.size(); ++i)
        if (!order_[i].entry->page.empty()) pages_[order_[i].entry->page].push_back(i);
}

void BookContents::List(const std::vector<contents::Entry>& entries, TreePath& path) {
    path.push_back(0);
    for (const contents::Entry& entry : entries) {
        order_.push_back({path, &entry});
        List(entry.children, path);
        ++path.back();
    }
    path.pop_back();
}

const contents::Entry* BookContents::EntryAt(const TreePath& item) const {
    const contents::Entry* entry = nullptr;
    const std::vector<contents::Entry>* level = &contents_.entries;
    for (const int index : item) {
        if (index < 0 || static_cast<std::size_t>(index) >= level->size()) return nullptr;
        entry = &(*level)[static_cast<std::size_t>(index)];
        level = &entry->children;
    }
    return entry;
}

const std::vector<contents::Entry>& BookContents::ChildrenOf(const TreePath& item) const {
    static const std::vector<contents::Entry> kNone;
    if (item.empty()) return contents_.entries;
    const contents::Entry* entry = EntryAt(item);
    return entry ? entry->children : kNone;
}

std::size_t BookContents::Count(const TreePath& item) const { return ChildrenOf(item).size(); }

std::string BookContents::Title(const TreePath& item) const {
    const contents::Entry* entry = EntryAt(item);
    return entry ? entry->title : std::string();
}

std::optional<TreePath> BookContents::EntryFor(const std::vector<std::string>& pageNames, const std::string& anchor,
                                               const TreePath& kept) const {
    for (const std::string& page : pageNames) {
        const auto listed = pages_.find(page);
        if (listed == pages_.end()) continue;
        if (const contents::Entry* entry = EntryAt(kept); entry && entry->page == page && entry->anchor == anchor)
            return kept;
        const std::vector<std::size_t>& items = listed->second;
        for (const std::string& wanted : {anchor, std::string()})
            for (const std::size_t i : items)
                if (order_[i].entry->anchor == wanted) return order_[i].path;
        return order_[items.front()].path;
    }
    return std::nullopt;
}

std::optional<TreePath> BookContents::NextPage(const TreePath& from, bool forward) const {
    const auto at = std::lower_bound(order_.begin(), order_.end(), from,
                                     [](const Item& item, const TreePath& path) { return item.path < path; });
    const contents::Entry* current = from.empty() ? nullptr : EntryAt(from);
    const std::string page = current ? current->page : std::string();
    const auto opensAnotherPage = [&](const Item& item) {
        return !item.entry->page.empty() && item.entry->page != page;
    };
    if (forward) {
        const auto next = std::find_if(current ? at + 1 : at, order_.end(), opensAnotherPage);
        if (next != order_.end()) return next->path;
    } else if (current) {
        auto previous = std::find_if(std::make_reverse_iterator(at), order_.rend(), opensAnotherPage);
        if (previous == order_.rend()) return std::nullopt;
        // The first of the entries in a row that open that page: its top, not its last section.
        while (previous + 1 != order_.rend() && (previous + 1)->entry->page == previous->entry->page) ++previous;
        return previous->path;
    }
    return std::nullopt;
}

}  // namespace viewer
