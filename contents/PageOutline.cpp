// The page is scanned once; lists are gathered while inside one of the
// containers a table of contents stands in.
#include "PageOutline.h"

#include "Ascii.h"
#include "HtmlScanner.h"

#include <optional>

namespace contents {

namespace {

using search::HtmlAttribute;

std::optional<std::string_view> AttributeOf(std::span<const HtmlAttribute> attributes, std::string_view name) {
    for (const HtmlAttribute& attribute : attributes)
        if (attribute.name == name) return attribute.value;
    return std::nullopt;
}

// Whether a space-separated list of words holds `word`, in any letter case.
bool HasWord(std::string_view words, std::string_view word) {
    for (std::size_t start = 0; start < words.size();) {
        while (start < words.size() && ascii::IsSpace(words[start])) ++start;
        std::size_t end = start;
        while (end < words.size() && !ascii::IsSpace(words[end])) ++end;
        if (end > start && ascii::EqualsNoCase(words.substr(start, end - start), word)) return true;
        start = end;
    }
    return false;
}

// Runs of white space one space, none at either end, and no trailing "¶"
// (the permalink Sphinx puts after each heading).
std::string Tidied(std::string_view text) {
    std::string tidy;
    bool space = false;
    for (const char c : text) {
        if (ascii::IsSpace(c)) {
            space = !tidy.empty();
            continue;
        }
        if (space) tidy += ' ';
        space = false;
        tidy += c;
    }
    static constexpr std::string_view kPilcrow = "\xC2\xB6";
    while (tidy.ends_with(kPilcrow) || tidy.ends_with(' '))
        tidy.resize(tidy.size() - (tidy.ends_with(' ') ? 1 : kPilcrow.size()));
    return tidy;
}

bool IsList(std::string_view name) { return name == "ul" || name == "ol"; }

// The containers a table of contents stands in.
enum class Container { kNone, kToctree, kTocNav, kNav };

class OutlineReader : public search::HtmlHandler {
public:
    void StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) override {
        const std::string_view id = AttributeOf(attributes, "id").value_or("");
        open_.push_back({std::string(name), std::string(id), Container::kNone, false});
        if (name == "title" && !inTitle_ && outline_.title.empty()) {
            inTitle_ = true;
            captured_.clear();
        }
        if (name == "link" && HasWord(AttributeOf(attributes, "rel").value_or(""), "next") && outline_.next.empty())
            outline_.next = AttributeOf(attributes, "href").value_or("");
        if (name == "a") {
            if (const auto href = AttributeOf(attributes, "href")) {
                outline_.links.emplace_back(*href);
                if (!items_.empty() && ItemTextOpen() && items_.back()->href.empty()) items_.back()->href = *href;
            }
        }
        if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6' && headingLevel_ == 0) {
            headingLevel_ = name[1] - '0';
            headingId_ = id.empty() ? EnclosingId() : std::string(id);
            headingText_.clear();
        }
        if (container_ == Container::kNone) {
            StartContainer(name, attributes);
        } else {
            StartInContainer(name);
        }
    }

    void EndElement() override {
        const Open element = std::move(open_.back());
        open_.pop_back();
        if (element.name == "title" && inTitle_) {
            inTitle_ = false;
            outline_.title = Tidied(captured_);
        }
        if (headingLevel_ != 0 && element.name.size() == 2 && element.name[0] == 'h' &&
            element.name[1] - '0' == headingLevel_) {
            if (headingLevel_ <= 3) outline_.headings.push_back({headingLevel_, headingId_, Tidied(headingText_)});
            if (firstHeading_.empty()) firstHeading_ = Tidied(headingText_);
            headingLevel_ = 0;
        }
        if (element.container != Container::kNone) return EndContainer();
        if (container_ == Container::kNone) return;
        if (element.name == "li" && !items_.empty()) {
            items_.back()->text = Tidied(items_.back()->text);
            items_.pop_back();
            itemListDepth_.pop_back();
        }
        if (IsList(element.name)) --listDepth_;
        if (element.listOfItem) levels_.pop_back();
    }

    void Text(std::string_view text) override {
        if (inTitle_) captured_.append(text);
        if (headingLevel_ != 0) headingText_.append(text);
        if (!items_.empty() && ItemTextOpen()) items_.back()->text.append(text);
    }

    PageOutline Take() {
        if (outline_.title.empty()) outline_.title = firstHeading_;
        return std::move(outline_);
    }

private:
    struct Open {
        std::string name;
        std::string id;
        Container container;  // the container this element opened
        bool listOfItem;      // a list inside a list item, whose items are that item's children
    };

    void StartContainer(std::string_view name, std::span<const HtmlAttribute> attributes) {
        Container kind = Container::kNone;
        if (name == "div" && HasWord(AttributeOf(attributes, "class").value_or(""), "toctree-wrapper")) {
            kind = Container::kToctree;
        } else if (name == "nav") {
            const bool toc = HasWord(AttributeOf(attributes, "epub:type").value_or(""), "toc") ||
                             ascii::EqualsNoCase(AttributeOf(attributes, "role").value_or(""), "doc-toc");
            kind = toc ? Container::kTocNav : Container::kNav;
            if (kind == Container::kNav && !outline_.nav.empty()) kind = Container::kNone;
        }
        if (kind == Container::kNone) return;
        container_ = open_.back().container = kind;
        levels_ = {&ListOf(kind)};
        listDepth_ = 0;
    }

    void StartInContainer(std::string_view name) {
        if (IsList(name)) {
            ++listDepth_;
            // A list inside an item holds its children; other lists add to the level they stand in.
            if (!items_.empty() && itemListDepth_.back() + 1 == listDepth_) {
                levels_.push_back(&items_.back()->children);
                open_.back().listOfItem = true;
            }
        } else if (name == "li") {
            levels_.back()->push_back({});
            items_.push_back(&levels_.back()->back());
            itemListDepth_.push_back(listDepth_);
        }
    }

    void EndContainer() {
        container_ = Container::kNone;
        items_.clear();
        itemListDepth_.clear();
        levels_.clear();
    }

    std::vector<ListItem>& ListOf(Container kind) {
        if (kind == Container::kToctree) return outline_.toctrees;
        return kind == Container::kTocNav ? outline_.tocNav : outline_.nav;
    }

    // Whether text now belongs to the innermost item: it stands in no list
    // inside that item.
    bool ItemTextOpen() const { return itemListDepth_.back() == listDepth_; }

    std::string EnclosingId() const {
        for (auto open = open_.rbegin() + 1; open != open_.rend(); ++open)
            if (!open->id.empty()) return open->id;
        return {};
    }

    PageOutline outline_;
    std::vector<Open> open_;
    bool inTitle_ = false;
    std::string captured_;
    int headingLevel_ = 0;
    std::string headingId_, headingText_, firstHeading_;
    Container container_ = Container::kNone;
    std::vector<std::vector<ListItem>*> levels_;  // where items go: the container's list, then items' children
    std::vector<ListItem*> items_;                // the open items, outermost first
    std::vector<int> itemListDepth_;              // how many lists were open at each item's start
    int listDepth_ = 0;
};

}  // namespace

PageOutline OutlineOf(std::string_view html) {
    OutlineReader reader;
    search::ScanHtml(html, reader);
    return reader.Take();
}

}  // namespace contents
