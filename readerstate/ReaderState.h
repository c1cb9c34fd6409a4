// What the viewer keeps of one book for its reader between runs: the place
// it was left at, the zoom, the window and its contents pane, the bookmarks;
// and the text those are kept as. It never holds any of the book's content.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace readerstate {

// A place in the book: a page, an element near the top of the view, and how
// far down that element the view's top stands (so a zoom or window change
// keeps it).
struct Place {
    std::string page;     // the page's name in the book ("library/os.html"), no fragment
    std::string spot;     // the page script's locator of the element; opaque here
    double fraction = 0;  // 0..1
    bool operator==(const Place&) const = default;
};

struct Bookmark {
    std::string name;
    Place place;
    bool operator==(const Bookmark&) const = default;
};

struct ReaderState {
    Place place;  // empty page = none
    double zoom = 1.0;
    int windowWidth = 0, windowHeight = 0;  // 0 = not known
    bool maximized = true;
    int contentsWidth = 0;  // 0 = not known
    bool contentsShown = true;
    std::vector<Bookmark> bookmarks;  // in the reader's order
    bool operator==(const ReaderState&) const = default;
};

// What a decoded state may hold. Texts (names, pages, spots) are any bytes.
inline constexpr std::size_t kMaxTextSize = 4 * 1024;
inline constexpr std::size_t kMaxBookmarks = 10'000;
inline constexpr std::size_t kMaxEncodedSize = 4 * 1024 * 1024;
inline constexpr double kMinZoom = 0.3, kMaxZoom = 5.0;
inline constexpr int kMaxPixels = 32'767;  // the most a window or pane is wide or high

// The state as the bytes of its file's content (before sealing). What
// Decode would refuse is left out: a place or bookmark with a text over
// kMaxTextSize, bookmarks past kMaxBookmarks or past kMaxEncodedSize bytes.
std::string Encode(const ReaderState& state);
// The state back; nothing for damaged, cut short, foreign or newer bytes,
// or bytes over the bounds above. Numbers out of their range are read as
// their default (sizes, an unknown fraction or zoom) or the nearest bound
// (a zoom or fraction too large or small), never refusing the rest.
std::optional<ReaderState> Decode(std::string_view bytes);

}  // namespace readerstate
