// The text of a page for the search index: the page read in its character
// set as UTF-8 (see PageCharset.h), and for HTML scanned (HtmlScanner.h),
// what the scanner finds collected for what a browser shows.
#include "PageText.h"

#include "Ascii.h"
#include "HtmlScanner.h"
#include "PackedName.h"
#include "Utf8.h"

#include <algorithm>
#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_set>
#include <utility>

namespace search {

namespace {

constexpr std::size_t kPlainTitleChars = 200;

// ---- Text with white space collapsed ----------------------------------------

// Text built from pieces the way a browser lays it out: runs of white space
// (no-break spaces too) one space, line breaks one "\n", nothing at the
// start or end of the text or of a line.
class CollapsedText {
public:
    void Append(std::string_view text, bool keepLineBreaks) {
        for (std::size_t i = 0; i < text.size();) {
            if (const std::size_t spaceLength = SpaceLengthAt(text, i)) {
                if (keepLineBreaks && (text[i] == '\n' || text[i] == '\r')) {
                    LineBreak();
                } else {
                    Space();
                }
                i += spaceLength;
                continue;
            }
            // The run goes on over single plain spaces between words, which
            // it keeps as they are.
            std::size_t end = i + 1;
            while (end < text.size()) {
                if (!kMayStartSpace[static_cast<unsigned char>(text[end])] || SpaceLengthAt(text, end) == 0) {
                    ++end;
                } else if (text[end] == ' ' && end + 1 < text.size() &&
                           !kMayStartSpace[static_cast<unsigned char>(text[end + 1])]) {
                    end += 2;
                } else {
                    break;
                }
            }
            if (!text_.empty()) {
                if (pendingLineBreak_) {
                    text_ += '\n';
                } else if (pendingSpace_) {
                    text_ += ' ';
                }
            }
            pendingLineBreak_ = pendingSpace_ = false;
            text_.append(text.substr(i, end - i));
            i = end;
        }
    }
    void Space() { pendingSpace_ = true; }
    void LineBreak() { pendingLineBreak_ = true; }
    bool Empty() const { return text_.empty(); }
    std::size_t Size() const { return text_.size(); }
    std::string_view View() const { return text_; }
    std::string Take() {
        pendingLineBreak_ = pendingSpace_ = false;
        return std::exchange(text_, {});
    }

private:
    // The bytes a space may start with.
    static constexpr std::array<bool, 256> kMayStartSpace = [] {
        std::array<bool, 256> may{};
        for (int c = 0; c < 0x80; ++c) may[static_cast<std::size_t>(c)] = ascii::IsSpace(static_cast<char>(c));
        may[0xC2] = true;
        return may;
    }();

    // 1 for ASCII white space, 2 for a no-break space, else 0. (0xC2 is
    // never a continuation byte, so no character is split.)
    static std::size_t SpaceLengthAt(std::string_view text, std::size_t i) {
        if (ascii::IsSpace(text[i])) return 1;
        return text[i] == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0' ? 2 : 0;
    }

    std::string text_;
    bool pendingSpace_ = false;
    bool pendingLineBreak_ = false;
};

// ---- The HTML tree ----------------------------------------------------------

// What an element is to the text. Elements not listed are inline: their
// text runs on with what stands around it. Pages are read as with scripts
// on, as the eBook's viewer shows them, so <noscript> is hidden.
enum class Role {
    kBlock,         // its start and end are line breaks
    kPreformatted,  // a block whose line breaks stay line breaks
    kHeading,       // a block whose text is also a heading
    kTitle,         // the first is the page's title, never body text
    kHidden,        // never shown: left out with all it holds
    kNavigation,    // the site's navigation, which pages repeat: left out too
    kAltText,       // shown as its alt text (input only as type="image")
};

struct ElementRole {
    std::string_view name;
    Role role;
};

constexpr auto kRoles = std::to_array<ElementRole>({
    {"address", Role::kBlock},        {"area", Role::kAltText},        {"article", Role::kBlock},
    {"aside", Role::kBlock},          {"blockquote", Role::kBlock},    {"body", Role::kBlock},
    {"br", Role::kBlock},             {"caption", Role::kBlock},       {"center", Role::kBlock},
    {"datalist", Role::kHidden},      {"dd", Role::kBlock},            {"details", Role::kBlock},
    {"dialog", Role::kBlock},         {"dir", Role::kBlock},           {"div", Role::kBlock},
    {"dl", Role::kBlock},             {"dt", Role::kBlock},            {"fieldset", Role::kBlock},
    {"figcaption", Role::kBlock},     {"figure", Role::kBlock},        {"footer", Role::kBlock},
    {"form", Role::kBlock},           {"frameset", Role::kBlock},      {"h1", Role::kHeading},
    {"h2", Role::kHeading},           {"h3", Role::kHeading},          {"h4", Role::kHeading},
    {"h5", Role::kHeading},           {"h6", Role::kHeading},          {"header", Role::kBlock},
    {"hgroup", Role::kBlock},         {"hr", Role::kBlock},            {"html", Role::kBlock},
    {"iframe", Role::kHidden},        {"img", Role::kAltText},         {"input", Role::kAltText},
    {"legend", Role::kBlock},         {"li", Role::kBlock},            {"listing", Role::kPreformatted},
    {"main", Role::kBlock},           {"menu", Role::kBlock},          {"nav", Role::kNavigation},
    {"noembed", Role::kHidden},       {"noframes", Role::kHidden},     {"noscript", Role::kHidden},
    {"ol", Role::kBlock},             {"optgroup", Role::kBlock},      {"option", Role::kBlock},
    {"p", Role::kBlock},              {"plaintext", Role::kPreformatted}, {"pre", Role::kPreformatted},
    {"script", Role::kHidden},        {"section", Role::kBlock},       {"style", Role::kHidden},
    {"summary", Role::kBlock},        {"table", Role::kBlock},         {"td", Role::kBlock},
    {"template", Role::kHidden},      {"textarea", Role::kPreformatted}, {"th", Role::kBlock},
    {"title", Role::kTitle},          {"tr", Role::kBlock},            {"ul", Role::kBlock},
    {"xmp", Role::kPreformatted},
});
constexpr PackedNameTable kRoleTable(kRoles);

using Attributes = std::span<const HtmlAttribute>;

// The attributes the text depends on, found in one pass over an element's.
struct KnownAttributes {
    std::optional<std::string_view> hidden, role, href, id, name, type, alt, cls;

    explicit KnownAttributes(Attributes attributes) {
        for (const HtmlAttribute& attribute : attributes) {
            if (std::optional<std::string_view>* known = Slot(attribute.name); known && !*known)
                *known = attribute.value;
        }
    }

private:
    std::optional<std::string_view>* Slot(std::string_view attribute) {
        switch (attribute.size()) {
            case 2:
                return attribute == "id" ? &id : nullptr;
            case 3:
                return attribute == "alt" ? &alt : nullptr;
            case 4:
                if (attribute == "role") return &role;
                if (attribute == "href") return &href;
                if (attribute == "name") return &name;
                return attribute == "type" ? &type : nullptr;
            case 5:
                return attribute == "class" ? &cls : nullptr;
            case 6:
                return attribute == "hidden" ? &hidden : nullptr;
            default: return nullptr;
        }
    }
};

// The role of an element. Anything with the hidden attribute is hidden, as
// browsers show it.
std::optional<Role> RoleOf(std::string_view name, const KnownAttributes& attributes) {
    if (attributes.hidden) return Role::kHidden;
    const std::string_view landmark = attributes.role.value_or("");
    if (ascii::EqualsNoCase(landmark, "navigation") || ascii::EqualsNoCase(landmark, "search"))
        return Role::kNavigation;
    const ElementRole* found = kRoleTable.Find(name);
    if (!found) return std::nullopt;
    if (found->role == Role::kAltText && name == "input" && !ascii::EqualsNoCase(attributes.type.value_or(""), "image"))
        return std::nullopt;
    return found->role;
}

// Whether an id looks made by a generator that numbers its targets ("id3",
// "index-12", "footnote_2"): such ids name nothing a reader would search for.
bool IsNumberedId(std::string_view id) {
    std::size_t i = 0;
    while (i < id.size() && ascii::IsAlpha(id[i])) ++i;
    if (i < id.size() && (id[i] == '-' || id[i] == '_')) ++i;
    return i < id.size() && std::all_of(id.begin() + static_cast<std::ptrdiff_t>(i), id.end(), ascii::IsDigit);
}

// The name an element gives its place, if it names something: the id of a
// heading, dt term, section, article or span marker (a div's only when it
// is a section by its class), the name or id of an <a>.
std::optional<std::string_view> AnchorOf(std::string_view element, const KnownAttributes& attributes) {
    std::optional<std::string_view> name = attributes.id;
    if (element == "a" && !name) name = attributes.name;
    if (!name || name->empty() || IsNumberedId(*name)) return std::nullopt;
    const bool heading = element.size() == 2 && element[0] == 'h' && element[1] >= '1' && element[1] <= '6';
    if (heading || element == "dt" || element == "section" || element == "article" || element == "span" ||
        element == "a")
        return name;
    if (element == "div" && attributes.cls.value_or("").find("section") != std::string_view::npos) return name;
    return std::nullopt;
}

// Collects a page's text from what the scanner finds, as it comes: an
// element's start and end, and the text between them. One text may come in
// pieces; they are gathered and taken whole when the next element or the
// end comes.
class TextCollector : public HtmlHandler {
public:
    void StartElement(std::string_view name, Attributes attributes) override {
        if (stopped_) return;
        TakeText();
        if (skipped_ > 0) {
            ++skipped_;  // inside something not shown
            return;
        }
        const KnownAttributes known(attributes);
        const std::optional<Role> role = RoleOf(name, known);
        const bool link = name == "a" && known.href.has_value();
        open_.push_back({role, link});
        linkDepth_ += link;
        if (const std::optional<std::string_view> anchor = AnchorOf(name, known); anchor && !InTitle())
            anchors_.push_back({std::string(*anchor), body_.Size()});
        if (!Enter(name, role, known)) skipped_ = 1;
    }

    void EndElement() override {
        if (stopped_) return;
        TakeText();
        if (skipped_ > 1) {
            --skipped_;
            return;
        }
        skipped_ = 0;
        Leave(open_.back().role);
        linkDepth_ -= open_.back().link;
        open_.pop_back();
    }

    void Text(std::string_view piece) override {
        if (skipped_ == 0) pendingText_.append(piece);
    }
    bool StopReading() const override { return stopped_; }

    // Asks `checkpoint` each time the body has grown by about `step` bytes;
    // once it answers true, the collector takes nothing more.
    void WatchBody(std::function<bool()> checkpoint, std::size_t step) {
        checkpoint_ = std::move(checkpoint);
        step_ = nextCheck_ = step;
    }
    bool Stopped() const { return stopped_; }

    void TakeText() {
        if (!pendingText_.empty() && !stopped_) AddText(pendingText_);
        pendingText_.clear();
        if (checkpoint_ && !stopped_ && body_.Size() >= nextCheck_) {
            nextCheck_ = body_.Size() + step_;
            stopped_ = checkpoint_();
        }
    }

    // The body so far, and where an anchor stands in it, once read.
    std::string_view Body() const { return body_.View(); }
    std::optional<std::size_t> AnchorAt(std::string_view name) const {
        for (const PendingAnchor& anchor : anchors_)
            if (anchor.name == name) return anchor.at;
        return std::nullopt;
    }

    PageText Finish() {
        TakeText();
        page_.title = !title_.Empty() || page_.headings.empty() ? title_.Take() : page_.headings.front();
        page_.body = body_.Take();
        for (auto& [name, at] : anchors_) page_.anchors.push_back(LabelledAnchor(std::move(name), page_.body, at));
        if (page_.mainHeading.empty() && !page_.headings.empty()) page_.mainHeading = page_.headings.front();
        return std::move(page_);
    }

private:
    // Takes in an element; whether what it holds is shown.
    bool Enter(std::string_view element, std::optional<Role> role, const KnownAttributes& attributes) {
        if (!role) return true;
        switch (*role) {
            case Role::kHidden:
            case Role::kNavigation:
                return false;
            case Role::kTitle:
                if (sawTitle_) return false;
                sawTitle_ = true;
                titleDepth_ = open_.size();
                return true;
            case Role::kAltText:
                Space();
                AddText(attributes.alt.value_or(""));
                Space();
                return false;
            case Role::kHeading:
                if (headingDepth_++ == 0) inH1_ = element == "h1";
                break;
            case Role::kPreformatted:
                ++preformattedDepth_;
                break;
            case Role::kBlock:
                break;
        }
        Boundary();
        return true;
    }

    // Takes leave of an element, whether what it holds was shown or not.
    void Leave(std::optional<Role> role) {
        if (!role) return;
        switch (*role) {
            case Role::kHidden:
            case Role::kNavigation:
            case Role::kAltText:
                return;
            case Role::kTitle:
                if (open_.size() == titleDepth_) titleDepth_ = 0;
                return;
            case Role::kHeading:
                if (--headingDepth_ == 0 && !heading_.Empty()) {
                page_.headings.push_back(heading_.Take());
                if (inH1_ && page_.mainHeading.empty()) page_.mainHeading = page_.headings.back();
            }
                break;
            case Role::kPreformatted:
                --preformattedDepth_;
                break;
            case Role::kBlock:
                break;
        }
        Boundary();
    }

    // Text the page shows.
    void AddText(std::string_view text) {
        if (text.empty()) return;
        if (InTitle()) {
            title_.Append(text, false);
            return;
        }
        const std::size_t before = body_.Size();
        body_.Append(text, preformattedDepth_ > 0);
        if (linkDepth_ > 0 && body_.Size() > before) {
            auto& links = page_.links;
            if (!links.empty() && links.back().second == before) {
                links.back().second = body_.Size();
            } else {
                links.emplace_back(before, body_.Size());
            }
        }
        if (headingDepth_ > 0) heading_.Append(text, false);
    }

    void Space() {
        (InTitle() ? title_ : body_).Space();
        heading_.Space();
    }

    // The edge of a block: a line break in the body, a space in a title or
    // heading.
    void Boundary() {
        if (InTitle()) {
            title_.Space();
            return;
        }
        body_.LineBreak();
        heading_.Space();
    }

    bool InTitle() const { return titleDepth_ > 0; }

    PageText page_;
    CollapsedText title_, body_, heading_;
    struct OpenElement {
        std::optional<Role> role;
        bool link;  // an <a href>
    };
    std::vector<OpenElement> open_;  // the open elements, outermost first
    struct PendingAnchor {
        std::string name;
        std::size_t at;  // where in the body it stands
    };
    std::vector<PendingAnchor> anchors_;
    int linkDepth_ = 0;
    std::size_t skipped_ = 0;                // the depth inside an element not shown, 0 outside any
    std::string pendingText_;
    bool sawTitle_ = false;
    std::size_t titleDepth_ = 0;  // how many elements are open in the first title, while in it
    std::function<bool()> checkpoint_;
    std::size_t step_ = 0, nextCheck_ = 0;
    bool stopped_ = false;
    int headingDepth_ = 0;
    bool inH1_ = false;  // the heading being read is an h1
    int preformattedDepth_ = 0;
};

}  // namespace

PageKind KindOfPage(std::string_view pageName) {
    const std::size_t dot = pageName.rfind('.');
    if (dot == std::string_view::npos) return PageKind::kNone;
    const std::string_view extension = pageName.substr(dot + 1);
    for (const std::string_view html : {"htm", "html", "xhtml"}) {
        if (ascii::EqualsNoCase(extension, html)) return PageKind::kHtml;
    }
    return ascii::EqualsNoCase(extension, "txt") ? PageKind::kText : PageKind::kNone;
}

std::vector<bool> SourceCopies(const std::vector<std::string>& pageNames) {
    const auto lower = [](std::string_view name) {
        std::string lowered(name);
        for (char& c : lowered) c = ascii::ToLower(c);
        return lowered;
    };
    std::unordered_set<std::string> htmlPages;
    for (const std::string& name : pageNames)
        if (KindOfPage(name) == PageKind::kHtml) htmlPages.insert(lower(name.substr(0, name.rfind('.'))));
    static constexpr std::string_view kText = ".txt", kSources = "_sources/";
    std::vector<bool> copies(pageNames.size(), false);
    for (std::size_t i = 0; i < pageNames.size(); ++i) {
        std::string stem = lower(pageNames[i]);
        if (!stem.ends_with(kText)) continue;
        stem.resize(stem.size() - kText.size());
        const std::size_t sources = stem.find(kSources);
        if (sources == 0 || (sources != std::string::npos && stem[sources - 1] == '/')) {
            stem.erase(sources, kSources.size());
            // _sources/X.rst.txt: the source's own extension goes too.
            const std::size_t dot = stem.rfind('.');
            const bool extension = dot != std::string::npos && stem.find('/', dot) == std::string::npos;
            if (extension && htmlPages.contains(stem.substr(0, dot))) stem.resize(dot);
        }
        copies[i] = htmlPages.contains(stem);
    }
    return copies;
}

// The page and what is collected of it.
struct HtmlTextReader::State {
    std::string converted;  // the page made into UTF-8, where it was not clean UTF-8
    std::string_view text;  // the page as UTF-8: the bytes read, or converted
    TextCollector collector;
    bool read = false;   // Read was called
    bool ended = false;  // and read all of the page
};

HtmlTextReader::HtmlTextReader(std::string_view bytes) : state_(std::make_unique<State>()) {
    state_->text = AsUtf8(bytes, CharsetOf(bytes, PageKind::kHtml), state_->converted);
}

HtmlTextReader::~HtmlTextReader() = default;

void HtmlTextReader::Read(const std::function<bool(const HtmlTextReader&)>& enough, std::size_t step) {
    State& state = *state_;
    if (state.read) return;
    state.read = true;
    if (enough) state.collector.WatchBody([&] { return enough(*this); }, step);
    ScanHtml(state.text, state.collector);
    state.collector.TakeText();
    state.collector.WatchBody(nullptr, 0);
    state.ended = !state.collector.Stopped();
}

bool HtmlTextReader::Ended() const { return state_->ended; }

std::string_view HtmlTextReader::Body() const { return state_->collector.Body(); }

std::optional<std::size_t> HtmlTextReader::AnchorAt(std::string_view name) const {
    return state_->collector.AnchorAt(name);
}

PageText HtmlTextReader::Finish() {
    Read(nullptr, 0);
    return state_->collector.Finish();
}

PageText TextOfHtml(std::string_view bytes) { return HtmlTextReader(bytes).Finish(); }

PageAnchor LabelledAnchor(std::string name, std::string_view body, std::size_t at) {
    constexpr std::size_t kAnchorLabelChars = 200;
    static constexpr std::string_view kPilcrow = "\xC2\xB6";
    at = std::min(at, body.size());
    while (at < body.size() && (body[at] == '\n' || body[at] == ' ')) ++at;
    std::string_view line = body.substr(at, body.find('\n', at) - at);
    for (;;) {
        if (line.ends_with(' ')) {
            line.remove_suffix(1);
        } else if (line.ends_with(kPilcrow)) {
            line.remove_suffix(kPilcrow.size());
        } else {
            break;
        }
    }
    return {std::move(name), std::string(LeadingChars(line, kAnchorLabelChars)), at};
}

PageText TextOfPlainText(std::string_view bytes) {
    CollapsedText body;
    body.Append(ToUtf8(bytes, CharsetOf(bytes, PageKind::kText)), true);
    PageText page;
    page.body = body.Take();
    const std::string_view text = page.body;
    std::string_view firstLine = LeadingChars(text.substr(0, text.find('\n')), kPlainTitleChars);
    while (firstLine.ends_with(' ')) firstLine.remove_suffix(1);
    page.title = firstLine;
    return page;
}

std::optional<PageText> TextOfPage(std::string_view pageName, std::string_view bytes) {
    switch (KindOfPage(pageName)) {
        case PageKind::kHtml:
            return TextOfHtml(bytes);
        case PageKind::kText:
            return TextOfPlainText(bytes);
        case PageKind::kNone:
            break;
    }
    return std::nullopt;
}

}  // namespace search
