// A book's table of contents: a tree of entries, each a title and the place
// it opens (a page of the book and an anchor in it), found when the book is
// compiled and carried in the eBook as a block of its own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace contents {

inline constexpr char kContentsBlockName[] = "/zorbin/contents";

// Deeper levels than this are not kept: no table a reader scrolls goes
// near it, and it bounds every walk over a tree decoded from a file.
inline constexpr std::size_t kMaxDepth = 32;

struct Entry {
    std::string title;
    std::string page;    // the page's block name; empty for a heading that opens nothing
    std::string anchor;  // the place in the page, without '#'; may be empty
    std::vector<Entry> children;
    bool operator==(const Entry&) const = default;
};

struct Contents {
    std::string source;  // where the table was found, in words ("the Devhelp book gtk3.devhelp2")
    std::vector<Entry> entries;
    bool operator==(const Contents&) const = default;
};

// How many entries the tree holds, at every level.
std::size_t EntryCount(const std::vector<Entry>& entries);

// The block's bytes. Entries below kMaxDepth are left out.
std::string Encode(const Contents& contents);
// The contents in a block's bytes; nothing for bytes that are not such a
// block (damaged, cut short, made by something else, or not UTF-8).
std::optional<Contents> Decode(std::string_view bytes);

}  // namespace contents
