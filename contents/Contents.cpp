// The contents block: a marker, the source's words, then each entry in
// document order as its depth and its three texts, each text led by its
// length. Depths make the tree without any nesting in the bytes.
#include "Contents.h"

#include "LittleEndian.h"
#include "Utf8.h"

namespace contents {

namespace {

constexpr std::string_view kMarker = "ZBTOC\x01\r\n";

void AppendText(std::string& out, std::string_view text) {
    base::AppendLittleEndian<std::uint32_t>(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

void AppendEntries(std::string& out, const std::vector<Entry>& entries, std::size_t depth, std::uint32_t& count) {
    if (depth >= kMaxDepth) return;
    for (const Entry& entry : entries) {
        out += static_cast<char>(depth);
        AppendText(out, entry.title);
        AppendText(out, entry.page);
        AppendText(out, entry.anchor);
        ++count;
        AppendEntries(out, entry.children, depth + 1, count);
    }
}

// Reads what Append wrote, checking every length against what is left.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool Done() const { return at_ == bytes_.size(); }

    std::optional<std::uint32_t> Number() {
        if (bytes_.size() - at_ < 4) return std::nullopt;
        return base::ReadLittleEndian<std::uint32_t>(bytes_, at_);
    }

    std::optional<unsigned char> Byte() {
        if (at_ == bytes_.size()) return std::nullopt;
        return static_cast<unsigned char>(bytes_[at_++]);
    }

    std::optional<std::string> Text() {
        const std::optional<std::uint32_t> length = Number();
        if (!length || *length > bytes_.size() - at_) return std::nullopt;
        const std::string_view text = bytes_.substr(at_, *length);
        if (!search::IsValidUtf8(text)) return std::nullopt;
        at_ += *length;
        return std::string(text);
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace

std::size_t EntryCount(const std::vector<Entry>& entries) {
    std::size_t count = entries.size();
    for (const Entry& entry : entries) count += EntryCount(entry.children);
    return count;
}

std::string Encode(const Contents& contents) {
    std::string out(kMarker);
    AppendText(out, contents.source);
    const std::size_t countAt = out.size();
    base::AppendLittleEndian<std::uint32_t>(out, 0);
    std::uint32_t count = 0;
    AppendEntries(out, contents.entries, 0, count);
    std::string counted;
    base::AppendLittleEndian<std::uint32_t>(counted, count);
    out.replace(countAt, counted.size(), counted);
    return out;
}

std::optional<Contents> Decode(std::string_view bytes) {
    if (!bytes.starts_with(kMarker)) return std::nullopt;
    Reader in(bytes.substr(kMarker.size()));
    Contents contents;
    std::optional<std::string> source = in.Text();
    const std::optional<std::uint32_t> count = in.Number();
    if (!source || !count) return std::nullopt;
    contents.source = std::move(*source);
    // The lists entries go into, outermost first: each is the children of
    // the last entry of the one before, which no later entry moves.
    std::vector<std::vector<Entry>*> levels{&contents.entries};
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::optional<unsigned char> depth = in.Byte();
        if (!depth || *depth >= kMaxDepth || *depth >= levels.size() + (levels.back()->empty() ? 0 : 1))
            return std::nullopt;
        levels.resize(*depth + 1u, nullptr);
        if (!levels[*depth]) levels[*depth] = &levels[*depth - 1u]->back().children;
        Entry entry;
        std::optional<std::string> title = in.Text(), page = in.Text(), anchor = in.Text();
        if (!title || !page || !anchor) return std::nullopt;
        entry.title = std::move(*title);
        entry.page = std::move(*page);
        entry.anchor = std::move(*anchor);
        levels[*depth]->push_back(std::move(entry));
    }
    if (!in.Done()) return std::nullopt;
    return contents;
}

}  // namespace contents
