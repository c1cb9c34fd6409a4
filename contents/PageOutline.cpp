// The page is scanned once; lists are gathered while inside one of the
// containers a table of contents stands in.
#include "PageOutline.h"

#include "Ascii.h"
#include "HtmlScanner.h"

#include <algorithm>
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

// Builds the items of nested lists from the starts and ends of ul, ol and
// li elements: a list inside an item holds that item's children, other
// lists add to the level they stand in.
class NestedLists {
public:
    // Starts gathering into `items`; what was being gathered is left as it is.
    void Begin(std::vector<ListItem>& items) {
        levels_ = {&items};
        open_.clear();
        listDepth_ = 0;
    }
    void Stop() {
        levels_.clear();
        open_.clear();
    }
    bool Gathering() const { return !levels_.empty(); }

    // Whether the element started a list that holds an item's children.
    bool Start(std::string_view element) {
        if (!Gathering()) return false;
        if (IsList(element)) {
            ++listDepth_;
            if (!open_.empty() && open_.back().listDepth + 1 == listDepth_) {
                levels_.push_back(&open_.back().item->children);
                return true;
            }
        } else if (element == "li") {
            levels_.back()->push_back({});
            open_.push_back({&levels_.back()->back(), listDepth_});
        }
        return false;
    }

    // `ofItem`: what Start said of the element.
    void End(std::string_view element, bool ofItem) {
        if (!Gathering()) return;
        if (element == "li" && !open_.empty()) {
            open_.back().item->text = Tidied(open_.back().item->text);
            open_.pop_back();
        }
        if (IsList(element)) --listDepth_;
        if (ofItem) levels_.pop_back();
    }

    // The innermost open item, while what comes is its own (not in a list
    // inside it); else null.
    ListItem* Item() const {
        return !open_.empty() && open_.back().listDepth == listDepth_ ? open_.back().item : nullptr;
    }

private:
    struct OpenItem {
        ListItem* item;
        int listDepth;  // how many lists were open at its start
    };
    std::vector<std::vector<ListItem>*> levels_;  // where items go: the first list, then items' children
    std::vector<OpenItem> open_;                  // outermost first
    int listDepth_ = 0;
};

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
                if (ListItem* item = lists_.Item(); item && item->href.empty()) item->href = *href;
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
            open_.back().listOfItem = lists_.Start(name);
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
        if (element.container != Container::kNone) {
            container_ = Container::kNone;
            lists_.Stop();
            return;
        }
        lists_.End(element.name, element.listOfItem);
    }

    void Text(std::string_view text) override {
        if (inTitle_) captured_.append(text);
        if (headingLevel_ != 0) headingText_.append(text);
        if (ListItem* item = lists_.Item()) item->text.append(text);
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
        lists_.Begin(ListOf(kind));
    }

    std::vector<ListItem>& ListOf(Container kind) {
        if (kind == Container::kToctree) return outline_.toctrees;
        return kind == Container::kTocNav ? outline_.tocNav : outline_.nav;
    }

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
    NestedLists lists_;
};

// Reads an HTML Help sitemap (.hhc): nested lists whose items each hold an
// <object type="text/sitemap">, its <param name="Name"> the item's text and
// its <param name="Local"> the item's link.
class SitemapReader : public search::HtmlHandler {
public:
    explicit SitemapReader(std::vector<ListItem>& items) { lists_.Begin(items); }

    void StartElement(std::string_view name, std::span<const HtmlAttribute> attributes) override {
        open_.push_back({std::string(name), lists_.Start(name)});
        if (name == "object")
            inSitemapObject_ = ascii::EqualsNoCase(AttributeOf(attributes, "type").value_or(""), "text/sitemap");
        ListItem* item = lists_.Item();
        if (name != "param" || !inSitemapObject_ || !item) return;
        const std::string_view param = AttributeOf(attributes, "name").value_or("");
        const std::string_view value = AttributeOf(attributes, "value").value_or("");
        if (ascii::EqualsNoCase(param, "Name") && item->text.empty()) item->text = value;
        if (ascii::EqualsNoCase(param, "Local") && item->href.empty()) {
            item->href = value;
            std::replace(item->href.begin(), item->href.end(), '\\', '/');  // written on Windows
        }
    }

    void EndElement() override {
        if (open_.back().first == "object") inSitemapObject_ = false;
        lists_.End(open_.back().first, open_.back().second);
        open_.pop_back();
    }

    void Text(std::string_view) override {}

private:
    NestedLists lists_;
    std::vector<std::pair<std::string, bool>> open_;  // each open element, and whether it holds an item's children
    bool inSitemapObject_ = false;
};

}  // namespace

PageOutline OutlineOf(std::string_view html) {
    OutlineReader reader;
    search::ScanHtml(html, reader);
    return reader.Take();
}

std::vector<ListItem> SitemapOf(std::string_view html) {
    std::vector<ListItem> items;
    SitemapReader reader(items);
    search::ScanHtml(html, reader);
    return items;
}

}  // namespace contents
