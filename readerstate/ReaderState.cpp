// The state as text: lines of fields parted by single spaces, in a fixed
// order, ending with "end" so that a state cut short never reads:
//
//   zorbin-reader-state 1
//   place PAGE SPOT FRACTION
//   zoom ZOOM
//   window WIDTH HEIGHT MAXIMIZED
//   contents WIDTH SHOWN
//   bookmark NAME PAGE SPOT FRACTION      (one line for each)
//   end
//
// Texts are written with every space, control byte and '%' as %XX; numbers
// as std::to_chars writes them (the shortest text that reads back to the
// same double), whatever the locale; flags as 0 or 1.
#include "ReaderState.h"

#include "Ascii.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <span>

namespace readerstate {

namespace {

constexpr std::string_view kFormat = "zorbin-reader-state";
constexpr int kVersion = 1;
constexpr std::string_view kEnd = "end\n";

bool NeedsEscape(unsigned char byte) { return byte <= ' ' || byte == '%' || byte == 0x7F; }

template <class Number>
void AppendNumber(std::string& out, Number value) {
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void AppendPlace(std::string& out, const Place& place) {
    out += ascii::PercentEncoded(place.page, NeedsEscape);
    out += ' ';
    out += ascii::PercentEncoded(place.spot, NeedsEscape);
    out += ' ';
    AppendNumber(out, place.fraction);
}

bool Fits(const Place& place) { return place.page.size() <= kMaxTextSize && place.spot.size() <= kMaxTextSize; }

std::string BookmarkLine(const Bookmark& bookmark) {
    std::string line = "bookmark " + ascii::PercentEncoded(bookmark.name, NeedsEscape) + ' ';
    AppendPlace(line, bookmark.place);
    return line + '\n';
}

// The fields of the text's lines, one line after another.
class Lines {
public:
    explicit Lines(std::string_view bytes) : rest_(bytes) {}

    // The fields after the next line's first when that is `key` and
    // `count` fields follow it, each after one space; the line is then read.
    std::optional<std::vector<std::string_view>> Next(std::string_view key, std::size_t count) {
        const std::size_t end = rest_.find('\n');
        if (end == std::string_view::npos || !rest_.substr(0, end).starts_with(key)) return std::nullopt;
        std::string_view line = rest_.substr(key.size(), end - key.size());
        std::vector<std::string_view> fields;
        while (!line.empty()) {
            if (line[0] != ' ' || fields.size() == count) return std::nullopt;
            line.remove_prefix(1);
            const std::size_t space = std::min(line.find(' '), line.size());
            fields.push_back(line.substr(0, space));
            line.remove_prefix(space);
        }
        if (fields.size() != count) return std::nullopt;
        rest_.remove_prefix(end + 1);
        return fields;
    }

    bool Done() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

// A text as AppendPlace and BookmarkLine write it; nothing when it holds a
// byte they escape, a '%' that starts no escape, or is too long.
std::optional<std::string> ReadText(std::string_view field) {
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%') {
            if (i + 2 >= field.size() || ascii::HexValue(field[i + 1]) < 0 || ascii::HexValue(field[i + 2]) < 0)
                return std::nullopt;
            i += 2;
        } else if (NeedsEscape(static_cast<unsigned char>(field[i]))) {
            return std::nullopt;
        }
    }
    std::string text = ascii::PercentDecoded(field);
    if (text.size() > kMaxTextSize) return std::nullopt;
    return text;
}

// A number field; nothing when it is not a number. One too large or too
// small for the type reads as `outOfRange`.
template <class Number>
std::optional<Number> ReadNumber(std::string_view field, Number outOfRange) {
    Number value{};
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || end != field.data() + field.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range) return outOfRange;
    if (error != std::errc()) return std::nullopt;
    return value;
}

std::optional<double> ReadBounded(std::string_view field, double low, double high, double unknown) {
    const std::optional<double> value = ReadNumber(field, std::numeric_limits<double>::quiet_NaN());
    if (!value) return std::nullopt;
    return std::isnan(*value) ? unknown : std::clamp(*value, low, high);
}

// A width or height in pixels; 0 (not known) when out of range.
std::optional<int> ReadPixels(std::string_view field) {
    const std::optional<long long> value = ReadNumber(field, LLONG_MAX);
    if (!value) return std::nullopt;
    return *value >= 1 && *value <= kMaxPixels ? static_cast<int>(*value) : 0;
}

std::optional<bool> ReadFlag(std::string_view field) {
    if (field != "0" && field != "1") return std::nullopt;
    return field == "1";
}

// A place from its three fields: page, spot, fraction.
std::optional<Place> ReadPlace(std::span<const std::string_view> fields) {
    std::optional<std::string> page = ReadText(fields[0]), spot = ReadText(fields[1]);
    const std::optional<double> fraction = ReadBounded(fields[2], 0, 1, 0);
    if (!page || !spot || !fraction) return std::nullopt;
    return Place{std::move(*page), std::move(*spot), *fraction};
}

}  // namespace

std::string Encode(const ReaderState& state) {
    std::string out(kFormat);
    out += ' ';
    AppendNumber(out, kVersion);
    out += "\nplace ";
    AppendPlace(out, Fits(state.place) ? state.place : Place{});
    out += "\nzoom ";
    AppendNumber(out, state.zoom);
    out += "\nwindow ";
    AppendNumber(out, state.windowWidth);
    out += ' ';
    AppendNumber(out, state.windowHeight);
    out += state.maximized ? " 1" : " 0";
    out += "\ncontents ";
    AppendNumber(out, state.contentsWidth);
    out += state.contentsShown ? " 1\n" : " 0\n";
    std::size_t kept = 0;
    for (const Bookmark& bookmark : state.bookmarks) {
        if (kept == kMaxBookmarks) break;
        if (bookmark.name.size() > kMaxTextSize || !Fits(bookmark.place)) continue;
        const std::string line = BookmarkLine(bookmark);
        if (out.size() + line.size() + kEnd.size() > kMaxEncodedSize) break;
        out += line;
        ++kept;
    }
    out += kEnd;
    return out;
}

std::optional<ReaderState> Decode(std::string_view bytes) {
    if (bytes.size() > kMaxEncodedSize) return std::nullopt;
    Lines lines(bytes);
    const auto format = lines.Next(kFormat, 1);
    if (!format || (*format)[0] != std::to_string(kVersion)) return std::nullopt;  // nor a later version
    const auto place = lines.Next("place", 3), zoom = lines.Next("zoom", 1), window = lines.Next("window", 3),
               contents = lines.Next("contents", 2);
    if (!place || !zoom || !window || !contents) return std::nullopt;

    ReaderState state;
    std::optional<Place> where = ReadPlace(*place);
    const std::optional<double> zoomed = ReadBounded((*zoom)[0], kMinZoom, kMaxZoom, 1.0);
    const std::optional<int> width = ReadPixels((*window)[0]), height = ReadPixels((*window)[1]),
                             contentsWidth = ReadPixels((*contents)[0]);
    const std::optional<bool> maximized = ReadFlag((*window)[2]), shown = ReadFlag((*contents)[1]);
    if (!where || !zoomed || !width || !height || !contentsWidth || !maximized || !shown) return std::nullopt;
    state.place = std::move(*where);
    state.zoom = *zoomed;
    state.windowWidth = *width;
    state.windowHeight = *height;
    state.maximized = *maximized;
    state.contentsWidth = *contentsWidth;
    state.contentsShown = *shown;

    while (const auto fields = lines.Next("bookmark", 4)) {
        std::optional<std::string> name = ReadText((*fields)[0]);
        std::optional<Place> bookmarked = ReadPlace(std::span(*fields).subspan(1));
        if (!name || !bookmarked || state.bookmarks.size() == kMaxBookmarks) return std::nullopt;
        state.bookmarks.push_back({std::move(*name), std::move(*bookmarked)});
    }
    if (!lines.Next("end", 0) || !lines.Done()) return std::nullopt;
    return state;
}

}  // namespace readerstate
