// HTML's tokenizer and the part of its tree builder that decides where
// elements end, cut down to what text needs: no tree, no foster parenting,
// no reconstruction of formatting elements.
#include "HtmlScanner.h"

#include "Ascii.h"
#include "PackedName.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace search {

namespace {

// ---- Character references ---------------------------------------------------

struct NamedReference {
    std::string_view name;
    char32_t code;
};

// HTML 4's named references and &apos;, sorted by name.
constexpr auto kNamedReferences = std::to_array<NamedReference>({
    {"AElig", 0xC6},     {"Aacute", 0xC1},   {"Acirc", 0xC2},    {"Agrave", 0xC0},   {"Alpha", 0x391},
    {"Aring", 0xC5},     {"Atilde", 0xC3},   {"Auml", 0xC4},     {"Beta", 0x392},    {"Ccedil", 0xC7},
    {"Chi", 0x3A7},      {"Dagger", 0x2021}, {"Delta", 0x394},   {"ETH", 0xD0},      {"Eacute", 0xC9},
    {"Ecirc", 0xCA},     {"Egrave", 0xC8},   {"Epsilon", 0x395}, {"Eta", 0x397},     {"Euml", 0xCB},
    {"Gamma", 0x393},    {"Iacute", 0xCD},   {"Icirc", 0xCE},    {"Igrave", 0xCC},   {"Iota", 0x399},
    {"Iuml", 0xCF},      {"Kappa", 0x39A},   {"Lambda", 0x39B},  {"Mu", 0x39C},      {"Ntilde", 0xD1},
    {"Nu", 0x39D},       {"OElig", 0x152},   {"Oacute", 0xD3},   {"Ocirc", 0xD4},    {"Ograve", 0xD2},
    {"Omega", 0x3A9},    {"Omicron", 0x39F}, {"Oslash", 0xD8},   {"Otilde", 0xD5},   {"Ouml", 0xD6},
    {"Phi", 0x3A6},      {"Pi", 0x3A0},      {"Prime", 0x2033},  {"Psi", 0x3A8},     {"Rho", 0x3A1},
    {"Scaron", 0x160},   {"Sigma", 0x3A3},   {"THORN", 0xDE},    {"Tau", 0x3A4},     {"Theta", 0x398},
    {"Uacute", 0xDA},    {"Ucirc", 0xDB},    {"Ugrave", 0xD9},   {"Upsilon", 0x3A5}, {"Uuml", 0xDC},
    {"Xi", 0x39E},       {"Yacute", 0xDD},   {"Yuml", 0x178},    {"Zeta", 0x396},    {"aacute", 0xE1},
    {"acirc", 0xE2},     {"acute", 0xB4},    {"aelig", 0xE6},    {"agrave", 0xE0},   {"alefsym", 0x2135},
    {"alpha", 0x3B1},    {"amp", 0x26},      {"and", 0x2227},    {"ang", 0x2220},    {"apos", 0x27},
    {"aring", 0xE5},     {"asymp", 0x2248},  {"atilde", 0xE3},   {"auml", 0xE4},     {"bdquo", 0x201E},
    {"beta", 0x3B2},     {"brvbar", 0xA6},   {"bull", 0x2022},   {"cap", 0x2229},    {"ccedil", 0xE7},
    {"cedil", 0xB8},     {"cent", 0xA2},     {"chi", 0x3C7},     {"circ", 0x2C6},    {"clubs", 0x2663},
    {"cong", 0x2245},    {"copy", 0xA9},     {"crarr", 0x21B5},  {"cup", 0x222A},    {"curren", 0xA4},
    {"dArr", 0x21D3},    {"dagger", 0x2020}, {"darr", 0x2193},   {"deg", 0xB0},      {"delta", 0x3B4},
    {"diams", 0x2666},   {"divide", 0xF7},   {"eacute", 0xE9},   {"ecirc", 0xEA},    {"egrave", 0xE8},
    {"empty", 0x2205},   {"emsp", 0x2003},   {"ensp", 0x2002},   {"epsilon", 0x3B5}, {"equiv", 0x2261},
    {"eta", 0x3B7},      {"eth", 0xF0},      {"euml", 0xEB},     {"euro", 0x20AC},   {"exist", 0x2203},
    {"fnof", 0x192},     {"forall", 0x2200}, {"frac12", 0xBD},   {"frac14", 0xBC},   {"frac34", 0xBE},
    {"frasl", 0x2044},   {"gamma", 0x3B3},   {"ge", 0x2265},     {"gt", 0x3E},       {"hArr", 0x21D4},
    {"harr", 0x2194},    {"hearts", 0x2665}, {"hellip", 0x2026}, {"iacute", 0xED},   {"icirc", 0xEE},
    {"iexcl", 0xA1},     {"igrave", 0xEC},   {"image", 0x2111},  {"infin", 0x221E},  {"int", 0x222B},
    {"iota", 0x3B9},     {"iquest", 0xBF},   {"isin", 0x2208},   {"iuml", 0xEF},     {"kappa", 0x3BA},
    {"lArr", 0x21D0},    {"lambda", 0x3BB},  {"lang", 0x2329},   {"laquo", 0xAB},    {"larr", 0x2190},
    {"lceil", 0x2308},   {"ldquo", 0x201C},  {"le", 0x2264},     {"lfloor", 0x230A}, {"lowast", 0x2217},
    {"loz", 0x25CA},     {"lrm", 0x200E},    {"lsaquo", 0x2039}, {"lsquo", 0x2018},  {"lt", 0x3C},
    {"macr", 0xAF},      {"mdash", 0x2014},  {"micro", 0xB5},    {"middot", 0xB7},   {"minus", 0x2212},
    {"mu", 0x3BC},       {"nabla", 0x2207},  {"nbsp", 0xA0},     {"ndash", 0x2013},  {"ne", 0x2260},
    {"ni", 0x220B},      {"not", 0xAC},      {"notin", 0x2209},  {"nsub", 0x2284},   {"ntilde", 0xF1},
    {"nu", 0x3BD},       {"oacute", 0xF3},   {"ocirc", 0xF4},    {"oelig", 0x153},   {"ograve", 0xF2},
    {"oline", 0x203E},   {"omega", 0x3C9},   {"omicron", 0x3BF}, {"oplus", 0x2295},  {"or", 0x2228},
    {"ordf", 0xAA},      {"ordm", 0xBA},     {"oslash", 0xF8},   {"otilde", 0xF5},   {"otimes", 0x2297},
    {"ouml", 0xF6},      {"para", 0xB6},     {"part", 0x2202},   {"permil", 0x2030}, {"perp", 0x22A5},
    {"phi", 0x3C6},      {"pi", 0x3C0},      {"piv", 0x3D6},     {"plusmn", 0xB1},   {"pound", 0xA3},
    {"prime", 0x2032},   {"prod", 0x220F},   {"prop", 0x221D},   {"psi", 0x3C8},     {"quot", 0x22},
    {"rArr", 0x21D2},    {"radic", 0x221A},  {"rang", 0x232A},   {"raquo", 0xBB},    {"rarr", 0x2192},
    {"rceil", 0x2309},   {"rdquo", 0x201D},  {"real", 0x211C},   {"reg", 0xAE},      {"rfloor", 0x230B},
    {"rho", 0x3C1},      {"rlm", 0x200F},    {"rsaquo", 0x203A}, {"rsquo", 0x2019},  {"sbquo", 0x201A},
    {"scaron", 0x161},   {"sdot", 0x22C5},   {"sect", 0xA7},     {"shy", 0xAD},      {"sigma", 0x3C3},
    {"sigmaf", 0x3C2},   {"sim", 0x223C},    {"spades", 0x2660}, {"sub", 0x2282},    {"sube", 0x2286},
    {"sum", 0x2211},     {"sup", 0x2283},    {"sup1", 0xB9},     {"sup2", 0xB2},     {"sup3", 0xB3},
    {"supe", 0x2287},    {"szlig", 0xDF},    {"tau", 0x3C4},     {"there4", 0x2234}, {"theta", 0x3B8},
    {"thetasym", 0x3D1}, {"thinsp", 0x2009}, {"thorn", 0xFE},    {"tilde", 0x2DC},   {"times", 0xD7},
    {"trade", 0x2122},   {"uArr", 0x21D1},   {"uacute", 0xFA},   {"uarr", 0x2191},   {"ucirc", 0xFB},
    {"ugrave", 0xF9},    {"uml", 0xA8},      {"upsih", 0x3D2},   {"upsilon", 0x3C5}, {"uuml", 0xFC},
    {"weierp", 0x2118},  {"xi", 0x3BE},      {"yacute", 0xFD},   {"yen", 0xA5},      {"yuml", 0xFF},
    {"zeta", 0x3B6},     {"zwj", 0x200D},    {"zwnj", 0x200C},
});
static_assert(std::ranges::is_sorted(kNamedReferences, {}, &NamedReference::name), "searched by name");

// What browsers read &#128; to &#159; as: windows-1252's characters there.
constexpr std::array<char16_t, 32> kWindows1252Controls = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character a numeric reference names, as browsers read it.
char32_t NumberedCharacter(std::uint32_t code) {
    if (code >= 0x80 && code <= 0x9F) return kWindows1252Controls[code - 0x80];
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
    return code;
}

bool IsHexDigit(char c) { return ascii::IsDigit(c) || (ascii::ToLower(c) >= 'a' && ascii::ToLower(c) <= 'f'); }

// The reference that `text` starts with ('&' included): appends its
// character to `out` and gives its length, or 0 where the '&' is only
// text. A name needs no ';' where one of HTML 4's stands whole, but in an
// attribute's value a name without ';' followed by '=' stays text
// ("?a=1&copy=2").
std::size_t DecodeReference(std::string_view text, bool inAttribute, std::string& out) {
    std::size_t at = 1;
    if (at < text.size() && text[at] == '#') {
        ++at;
        const bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
        at += hex;
        const std::size_t digitsAt = at;
        std::uint32_t code = 0;
        for (; at < text.size() && (hex ? IsHexDigit(text[at]) : ascii::IsDigit(text[at])); ++at) {
            const char c = ascii::ToLower(text[at]);
            const std::uint32_t digit =
                ascii::IsDigit(c) ? static_cast<std::uint32_t>(c - '0') : static_cast<std::uint32_t>(c - 'a' + 10);
            code = std::min<std::uint32_t>(code * (hex ? 16 : 10) + digit, 0x110000);
        }
        if (at == digitsAt) return 0;
        AppendUtf8(out, NumberedCharacter(code));
        return at < text.size() && text[at] == ';' ? at + 1 : at;
    }
    while (at < text.size() && ascii::IsAlnum(text[at])) ++at;
    const std::string_view name = text.substr(1, at - 1);
    const auto found = std::ranges::lower_bound(kNamedReferences, name, {}, &NamedReference::name);
    if (found == kNamedReferences.end() || found->name != name) return 0;
    const bool semicolon = at < text.size() && text[at] == ';';
    if (!semicolon && inAttribute && at < text.size() && text[at] == '=') return 0;
    AppendUtf8(out, found->code);
    return semicolon ? at + 1 : at;
}

// The text with its references decoded: itself when it has none, else
// decoded into `scratch`.
std::string_view DecodedText(std::string_view text, bool inAttribute, std::string& scratch) {
    std::size_t amp = text.find('&');
    if (amp == std::string_view::npos) return text;
    scratch.clear();
    std::size_t from = 0;
    for (; amp != std::string_view::npos; amp = text.find('&', from)) {
        scratch.append(text.substr(from, amp - from));
        const std::size_t length = DecodeReference(text.substr(amp), inAttribute, scratch);
        if (length == 0) scratch += '&';
        from = amp + std::max<std::size_t>(length, 1);
    }
    scratch.append(text.substr(from));
    return scratch;
}

// ---- Elements by kind
// ---------------------------------------------------------

// What an element is to the scanner.
enum ElementFlag : std::uint16_t {
    kVoid = 1 << 0,           // has no content and no end tag
    kEndsParagraph = 1 << 1,  // its start ends an open <p>
    kTablePart = 1 << 2,      // its end tag looks for it in table scope
    kHeading = 1 << 3,
    kRawText = 1 << 4,        // its content is text up to its end tag, references and all
    kEscapableText = 1 << 5,  // the same, references decoded
    kRestOfPage = 1 << 6,     // everything after its start is text
    // The elements a search for an open element does not look past: each
    // holds a context of its own (a cell, a template, a button, a list).
    kBoundsScope = 1 << 7,
    kBoundsTableScope = 1 << 8,
    kBoundsButtonScope = 1 << 9,
    kBoundsListScope = 1 << 10,
};

struct ElementKind {
    std::string_view name;
    std::uint16_t flags;
};

constexpr std::uint16_t kBlock = kEndsParagraph, kRaw = kRawText, kCell = kTablePart | kBoundsScope;
constexpr std::uint16_t kHeadingBlock = kEndsParagraph | kHeading, kList = kEndsParagraph | kBoundsListScope;

constexpr auto kElementKinds = std::to_array<ElementKind>({
    {"address", kBlock},
    {"applet", kBoundsScope},
    {"area", kVoid},
    {"article", kBlock},
    {"aside", kBlock},
    {"base", kVoid},
    {"basefont", kVoid},
    {"bgsound", kVoid},
    {"blockquote", kBlock},
    {"br", kVoid},
    {"button", kBoundsButtonScope},
    {"caption", kCell},
    {"center", kBlock},
    {"col", kVoid},
    {"colgroup", kTablePart},
    {"dd", kBlock},
    {"details", kBlock},
    {"dialog", kBlock},
    {"dir", kBlock},
    {"div", kBlock},
    {"dl", kList},
    {"dt", kBlock},
    {"embed", kVoid},
    {"fieldset", kBlock},
    {"figcaption", kBlock},
    {"figure", kBlock},
    {"footer", kBlock},
    {"form", kBlock},
    {"frame", kVoid},
    {"h1", kHeadingBlock},
    {"h2", kHeadingBlock},
    {"h3", kHeadingBlock},
    {"h4", kHeadingBlock},
    {"h5", kHeadingBlock},
    {"h6", kHeadingBlock},
    {"header", kBlock},
    {"hgroup", kBlock},
    {"hr", kVoid | kBlock},
    {"html", kBoundsScope | kBoundsTableScope},
    {"iframe", kRaw},
    {"img", kVoid},
    {"input", kVoid},
    {"keygen", kVoid},
    {"li", kBlock},
    {"link", kVoid},
    {"listing", kBlock},
    {"main", kBlock},
    {"marquee", kBoundsScope},
    {"menu", kBlock},
    {"meta", kVoid},
    {"nav", kBlock},
    {"noembed", kRaw},
    {"noframes", kRaw},
    {"noscript", kRaw},
    {"object", kBoundsScope},
    {"ol", kList},
    {"p", kBlock},
    {"param", kVoid},
    {"plaintext", kBlock | kRestOfPage},
    {"pre", kBlock},
    {"script", kRaw},
    {"section", kBlock},
    {"source", kVoid},
    {"style", kRaw},
    {"summary", kBlock},
    {"table", kBlock | kTablePart | kBoundsScope | kBoundsTableScope},
    {"tbody", kTablePart},
    {"td", kCell},
    {"template", kBoundsScope | kBoundsTableScope},
    {"textarea", kEscapableText},
    {"tfoot", kTablePart},
    {"th", kCell},
    {"thead", kTablePart},
    {"title", kEscapableText},
    {"tr", kTablePart},
    {"track", kVoid},
    {"ul", kList},
    {"wbr", kVoid},
    {"xmp", kBlock | kRaw},
});
constexpr PackedNameTable kElementKindTable(kElementKinds);

std::uint16_t FlagsOf(std::string_view name) {
    const ElementKind* kind = kElementKindTable.Find(name);
    return kind ? kind->flags : 0;
}

// Where a search for an open element stops.
enum class Scope : std::uint16_t {
    kDefault = kBoundsScope,
    kButton = kBoundsScope | kBoundsButtonScope,
    kListItem = kBoundsScope | kBoundsListScope,
    kTable = kBoundsTableScope,
};

// The scope an end tag looks for its element in.
Scope ScopeOfEnd(std::string_view name, std::uint16_t flags) {
    if (flags & kTablePart) return Scope::kTable;
    if (name == "li") return Scope::kListItem;
    return name == "p" ? Scope::kButton : Scope::kDefault;
}

// ---- The scanner
// ----------------------------------------------------------------

class Scanner {
public:
    Scanner(std::string_view html, HtmlHandler& handler) : html_(html), handler_(handler) {}

    void Run() {
        while (at_ < html_.size() && !handler_.StopReading()) {
            const std::size_t markup = std::min(html_.find('<', at_), html_.size());
            EmitText(html_.substr(at_, markup - at_), true);
            at_ = markup;
            if (at_ < html_.size()) ReadMarkup();
        }
        while (!open_.empty() && !handler_.StopReading()) Pop();
    }

private:
    // Past this many open elements, an element is taken for not open: a
    // page of thousands of unclosed <font> costs no more than one of few.
    static constexpr std::size_t kScopeSearchLimit = 512;

    struct OpenElement {
        std::string name;
        std::uint16_t flags;
        std::uint8_t hash;
    };

    char At(std::size_t i) const { return i < html_.size() ? html_[i] : '\0'; }
    bool StartsWith(std::string_view s) const { return html_.substr(at_).starts_with(s); }

    void EmitText(std::string_view text, bool decode) {
        if (text.empty()) return;
        handler_.Text(decode ? DecodedText(text, false, scratch_) : text);
    }

    // Goes past the first `end` from `from`, or to the page's end.
    void SkipPast(std::string_view end, std::size_t from) {
        const std::size_t found = html_.find(end, from);
        at_ = found == std::string_view::npos ? html_.size() : found + end.size();
    }

    // At a '<'.
    void ReadMarkup() {
        const char next = At(at_ + 1);
        if (ascii::IsAlpha(next)) return ReadStartTag();
        if (next == '/') {
            if (ascii::IsAlpha(At(at_ + 2))) return ReadEndTag();
            return SkipPast(">", at_ + 2);  // "</>" and "</ junk>" are nothing
        }
        if (next == '!') {
            if (StartsWith("<!--")) {
                if (StartsWith("<!-->") || StartsWith("<!--->")) return SkipPast(">", at_);
                return SkipPast("-->", at_ + 4);
            }
            if (StartsWith("<![CDATA[")) {
                // Its content is text, as an XML parser reads it and an XHTML
                // page or inline SVG means it.
                const std::size_t from = at_ + 9, end = std::min(html_.find("]]>", from), html_.size());
                EmitText(html_.substr(from, end - from), false);
                return SkipPast("]]>", from);
            }
            return SkipPast(">", at_ + 2);  // a doctype or a bogus comment
        }
        if (next == '?') return SkipPast(">", at_ + 2);
        EmitText("<", false);
        ++at_;
    }

    // The name at `i`, which goes past it: an element's up to a space, '/'
    // or '>', an attribute's up to '=' too (which it may start with).
    std::string_view ReadName(std::size_t& i, bool attribute) const {
        const std::size_t start = i;
        if (attribute) ++i;
        while (i < html_.size() && !EndsName(html_[i], attribute)) ++i;
        return html_.substr(start, i - start);
    }

    // What ends a name: 1 an element's or an attribute's, 2 an attribute's only.
    static constexpr std::array<std::uint8_t, 256> kNameEnds = [] {
        std::array<std::uint8_t, 256> ends{};
        for (const char c : {'>', '/', ' ', '\t', '\n', '\f', '\r'}) ends[static_cast<unsigned char>(c)] = 1;
        ends['='] = 2;
        return ends;
    }();

    static bool EndsName(char c, bool attribute) {
        const std::uint8_t end = kNameEnds[static_cast<unsigned char>(c)];
        return end == 1 || (attribute && end == 2);
    }

    // The name in lower case; a name with capitals is lowered into `scratch`.
    static std::string_view Lowered(std::string_view name, std::string& scratch) {
        if (std::ranges::none_of(name, ascii::IsUpper)) return name;
        return scratch = ascii::Lower(name);
    }

    void SkipSpace(std::size_t& i) const {
        while (i < html_.size() && ascii::IsSpace(html_[i])) ++i;
    }

    // A tag the page cuts off is nothing.
    void ReadStartTag() {
        std::size_t i = at_ + 1;
        const std::string_view name = Lowered(ReadName(i, false), tagName_);
        attributes_.clear();
        values_.clear();
        bool selfClosing = false;
        for (;;) {
            SkipSpace(i);
            if (i >= html_.size()) return void(at_ = html_.size());
            if (html_[i] == '>') break;
            if (html_[i] == '/') {
                selfClosing = At(i + 1) == '>';
                ++i;
                continue;
            }
            std::string_view attribute = ReadName(i, true);
            if (std::ranges::any_of(attribute, ascii::IsUpper)) attribute = Lowered(attribute, values_.emplace_back());
            std::string_view value;
            SkipSpace(i);
            if (At(i) == '=') {
                ++i;
                SkipSpace(i);
                std::size_t start = i, end;
                if (const char quote = At(i); quote == '"' || quote == '\'') {
                    start = i + 1;
                    end = html_.find(quote, start);
                    if (end == std::string_view::npos) return void(at_ = html_.size());
                    i = end + 1;
                } else {
                    while (i < html_.size() && !ascii::IsSpace(html_[i]) && html_[i] != '>') ++i;
                    end = i;
                }
                value = html_.substr(start, end - start);
                if (value.find('&') != std::string_view::npos) value = DecodedText(value, true, values_.emplace_back());
            }
            if (std::ranges::none_of(attributes_, [&](const HtmlAttribute& a) { return a.name == attribute; }))
                attributes_.push_back({attribute, value});
        }
        at_ = i + 1;
        Start(name, selfClosing);
    }

    void ReadEndTag() {
        std::size_t i = at_ + 2;
        const std::string_view name = Lowered(ReadName(i, false), tagName_);
        const std::size_t close = At(i) == '>' ? i : html_.find('>', i);  // mostly right after the name
        if (close == std::string_view::npos) return void(at_ = html_.size());
        at_ = close + 1;
        End(name);
    }

    void Start(std::string_view name, bool selfClosing) {
        if ((name == "html" || name == "head" || name == "body") && IsOpen(name)) return;  // only the first counts
        const std::uint16_t flags = FlagsOf(name);
        CloseImplied(name, flags);
        handler_.StartElement(name, attributes_);
        if ((flags & kVoid) || selfClosing) return handler_.EndElement();
        Push(name, flags);
        if (flags & kRestOfPage) {
            EmitText(html_.substr(at_), false);
            at_ = html_.size();
        } else if (flags & (kRawText | kEscapableText)) {
            const std::size_t end = RawTextEnd(name);
            EmitText(html_.substr(at_, end - at_), flags & kEscapableText);
            at_ = end;
            if (at_ < html_.size()) ReadEndTag();
        }
    }

    // Where the end tag of a raw-text element stands, or the page's end.
    std::size_t RawTextEnd(std::string_view name) const {
        for (std::size_t i = html_.find("</", at_); i != std::string_view::npos; i = html_.find("</", i + 2)) {
            const std::size_t after = i + 2 + name.size();
            if (ascii::EqualsNoCase(html_.substr(i + 2, name.size()), name) &&
                (after >= html_.size() || ascii::IsSpace(html_[after]) || html_[after] == '/' || html_[after] == '>'))
                return i;
        }
        return html_.size();
    }

    // What a start ends first: a paragraph before a block, a list item
    // before the next, a cell before the next cell or row, a link before
    // the next link, a heading right before another.
    void CloseImplied(std::string_view name, std::uint16_t flags) {
        if (flags & kEndsParagraph) CloseInScope("p", Scope::kButton);
        if (name == "li") CloseInScope("li", Scope::kListItem);
        if (name == "dt" || name == "dd") {
            CloseInScope("dt", Scope::kListItem);
            CloseInScope("dd", Scope::kListItem);
        }
        if (name == "tr" || name == "td" || name == "th") {
            CloseInScope("td", Scope::kTable);
            CloseInScope("th", Scope::kTable);
        }
        if (name == "tr") CloseInScope("tr", Scope::kTable);
        if (name == "option" || name == "optgroup") CloseInScope("option", Scope::kDefault);
        if (name == "optgroup") CloseInScope("optgroup", Scope::kDefault);
        if (name == "a") CloseInScope("a", Scope::kDefault);
        if ((flags & kHeading) && !open_.empty() && (open_.back().flags & kHeading)) Pop();
    }

    void End(std::string_view name) {
        const std::uint16_t flags = FlagsOf(name);
        if (name == "br") {  // </br> is read as <br>
            attributes_.clear();
            return Start("br", true);
        }
        if (name == "body" || name == "html") return;  // what follows is still the body
        if (name == "p" && !CloseInScope("p", Scope::kButton)) {
            // A </p> with no <p> open makes an empty paragraph.
            attributes_.clear();
            return Start("p", true);
        }
        // Any heading's end tag ends the heading open, whatever its level.
        if (flags & kHeading)
            return void(CloseFirst([](const OpenElement& e) { return (e.flags & kHeading) != 0; }, Scope::kDefault));
        CloseInScope(name, ScopeOfEnd(name, flags));
    }

    // Ends the innermost open element that matches, with all inside it,
    // when one is open in `scope`; whether one was.
    template <typename Match>
    bool CloseFirst(Match match, Scope scope) {
        const std::size_t lowest = open_.size() - std::min(open_.size(), kScopeSearchLimit);
        for (std::size_t i = open_.size(); i-- > lowest;) {
            if (match(open_[i])) {
                while (open_.size() > i) Pop();
                return true;
            }
            if (open_[i].flags & static_cast<std::uint16_t>(scope)) return false;
        }
        return false;
    }

    bool CloseInScope(std::string_view name, Scope scope) {
        const std::uint8_t hash = HashOf(name);
        if (openByHash_[hash] == 0) return false;
        return CloseFirst([&](const OpenElement& e) { return e.hash == hash && e.name == name; }, scope);
    }

    bool IsOpen(std::string_view name) const {
        return openByHash_[HashOf(name)] != 0 &&
               std::ranges::any_of(open_, [&](const OpenElement& e) { return e.name == name; });
    }

    static std::uint8_t HashOf(std::string_view name) {
        std::uint32_t hash = 2166136261u;
        for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        return static_cast<std::uint8_t>(hash ^ (hash >> 8) ^ (hash >> 16));
    }

    void Push(std::string_view name, std::uint16_t flags) {
        const std::uint8_t hash = HashOf(name);
        open_.push_back({std::string(name), flags, hash});
        ++openByHash_[hash];
    }

    void Pop() {
        --openByHash_[open_.back().hash];
        open_.pop_back();
        handler_.EndElement();
    }

    const std::string_view html_;
    HtmlHandler& handler_;
    std::size_t at_ = 0;
    std::vector<OpenElement> open_;                // outermost first
    std::array<std::uint32_t, 256> openByHash_{};  // how many are open, by their names' hash
    std::vector<HtmlAttribute> attributes_;        // of the tag being read
    std::deque<std::string> values_;               // what its attributes' views may point into
    std::string tagName_, scratch_;
};

}  // namespace

void ScanHtml(std::string_view utf8, HtmlHandler& handler) { Scanner(utf8, handler).Run(); }

}  // namespace search
