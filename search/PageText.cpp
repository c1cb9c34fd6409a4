// The text of a page for the search index: the page's bytes read in the
// character set a browser would pick (byte-order mark, <meta> prescan, UTF-8
// check, windows-1252), converted to UTF-8 through iconv, and for HTML parsed
// with libxml2's HTML parser, its events collected for what a browser shows.
#include "PageText.h"

#include "Ascii.h"
#include "TextLibraries.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

namespace search {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::size_t kPrescanLength = 1024;
constexpr std::size_t kPlainTitleChars = 200;

// ---- UTF-8 ------------------------------------------------------------------

// The length of the well-formed UTF-8 sequence at s[i] (no overlong forms,
// surrogates or code points past U+10FFFF), 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    if (static_cast<std::uint8_t>(s[i]) < 0x80) return 1;
    const auto byte = [&](std::size_t k) { return i + k < s.size() ? static_cast<std::uint8_t>(s[i + k]) : 0; };
    const auto continues = [&](std::size_t k, std::uint8_t low = 0x80, std::uint8_t high = 0xBF) {
        return byte(k) >= low && byte(k) <= high;
    };
    const std::uint8_t lead = byte(0);
    if (lead < 0xC2) return 0;
    if (lead < 0xE0) return continues(1) ? 2 : 0;
    if (lead < 0xF0) {
        const bool second = continues(1, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF);
        return second && continues(2) ? 3 : 0;
    }
    if (lead < 0xF5) {
        const bool second = continues(1, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF);
        return second && continues(2) && continues(3) ? 4 : 0;
    }
    return 0;
}

// How many bytes from s[i] on are ASCII other than NUL, counted eight at a
// time: most of most pages.
std::size_t PlainAsciiRun(std::string_view s, std::size_t i) {
    constexpr std::uint64_t kLow = 0x0101010101010101u, kHigh = 0x8080808080808080u;
    const std::size_t start = i;
    for (std::uint64_t eight; i + 8 <= s.size(); i += 8) {
        std::memcpy(&eight, s.data() + i, 8);
        if (((eight | ((eight - kLow) & ~eight)) & kHigh) != 0) break;  // a byte >= 0x80, or a NUL
    }
    while (i < s.size() && s[i] != '\0' && static_cast<std::uint8_t>(s[i]) < 0x80) ++i;
    return i - start;
}

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        if (const std::size_t ascii = PlainAsciiRun(s, i)) {
            i += ascii;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(s, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// UTF-8 as the rest of the unit wants it: a leading byte-order mark dropped,
// NUL bytes dropped (browsers show nothing for them, where libxml2 would
// make them spaces that split words), and each byte that starts no valid
// sequence U+FFFD.
std::string CleanUtf8(std::string_view s) {
    if (s.starts_with(kUtf8Bom)) s.remove_prefix(kUtf8Bom.size());
    std::string clean;
    clean.reserve(s.size());
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t length = s[i] == '\0' ? 0 : std::max(PlainAsciiRun(s, i), Utf8SequenceLength(s, i));
        if (length > 0) {
            i += length;
            continue;
        }
        clean.append(s.substr(runStart, i - runStart));
        if (s[i] != '\0') clean.append(kReplacementChar);
        runStart = ++i;
    }
    clean.append(s.substr(runStart));
    return clean;
}

// The first `maxChars` characters of UTF-8 text.
std::string_view LeadingChars(std::string_view s, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool startsChar = (static_cast<std::uint8_t>(s[i]) & 0xC0) != 0x80;
        if (startsChar && chars++ == maxChars) return s.substr(0, i);
    }
    return s;
}

// ---- Character set names ----------------------------------------------------

// The labels pages use for each character set browsers read, by the name
// glibc's iconv knows it by. Where browsers read a label as a superset,
// so does this: Shift_JIS as windows-31j (CP932: "\" is a backslash, NEC
// symbols such as "①" exist), EUC-KR as windows-949, GBK as GB18030, Big5
// with HKSCS, ISO-8859-1 and US-ASCII as windows-1252.
struct CharsetLabels {
    const char* iconvName;
    std::string_view labels;  // lowercase, separated by single spaces
};

constexpr CharsetLabels kCharsets[] = {
    {"UTF-8", "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {"IBM866", "866 cp866 csibm866 ibm866"},
    {"ISO-8859-2", "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {"ISO-8859-3", "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {"ISO-8859-4", "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {"ISO-8859-5", "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988"},
    {"ISO-8859-6", "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e "
                   "iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {"ISO-8859-7", "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 "
                   "iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
    {"ISO-8859-8", "csiso88598e csiso88598i csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-8859-8-i iso-ir-138 "
                   "iso8859-8 iso88598 iso_8859-8 iso_8859-8:1988 logical visual"},
    {"ISO-8859-10", "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {"ISO-8859-13", "iso-8859-13 iso8859-13 iso885913"},
    {"ISO-8859-14", "iso-8859-14 iso8859-14 iso885914"},
    {"ISO-8859-15", "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {"ISO-8859-16", "iso-8859-16"},
    {"KOI8-R", "cskoi8r koi koi8 koi8-r koi8_r"},
    {"KOI8-U", "koi8-ru koi8-u"},
    {"MACINTOSH", "csmacintosh mac macintosh x-mac-roman"},
    {"MAC-CYRILLIC", "x-mac-cyrillic x-mac-ukrainian"},
    {"CP874", "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {"WINDOWS-1250", "cp1250 windows-1250 x-cp1250"},
    {"WINDOWS-1251", "cp1251 windows-1251 x-cp1251"},
    {"WINDOWS-1252", "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 "
                     "iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    {"WINDOWS-1253", "cp1253 windows-1253 x-cp1253"},
    {"WINDOWS-1254", "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 "
                     "latin5 windows-1254 x-cp1254"},
    {"WINDOWS-1255", "cp1255 windows-1255 x-cp1255"},
    {"WINDOWS-1256", "cp1256 windows-1256 x-cp1256"},
    {"WINDOWS-1257", "cp1257 windows-1257 x-cp1257"},
    {"WINDOWS-1258", "cp1258 windows-1258 x-cp1258"},
    {"GB18030", "chinese csgb2312 csiso58gb231280 gb18030 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    {"BIG5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {"EUC-JP", "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {"ISO-2022-JP", "csiso2022jp iso-2022-jp"},
    {"CP932", "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    {"CP949", "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 "
              "windows-949"},
    {"UTF-16BE", "unicodefffe utf-16be"},
    {"UTF-16LE", "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
};

bool IsUtf16(std::string_view iconvName) {
    return iconvName.starts_with("UTF-16");
}

// The iconv name of a character set label as a page declares it in its
// bytes; UTF-16 there is a mistake browsers read as UTF-8. Nothing for a
// label no browser knows.
std::optional<std::string> CharsetOfDeclaredLabel(std::string_view label) {
    const std::string wanted = ascii::Lower(ascii::Trim(label));
    for (const CharsetLabels& charset : kCharsets) {
        for (std::string_view labels = charset.labels; !labels.empty();) {
            const std::size_t space = labels.find(' ');
            if (labels.substr(0, space) == wanted) return IsUtf16(charset.iconvName) ? "UTF-8" : charset.iconvName;
            labels.remove_prefix(space == std::string_view::npos ? labels.size() : space + 1);
        }
    }
    return std::nullopt;
}

std::optional<std::string> CharsetOfBom(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) return "UTF-8";
    if (bytes.starts_with("\xFE\xFF")) return "UTF-16BE";
    if (bytes.starts_with("\xFF\xFE")) return "UTF-16LE";
    return std::nullopt;
}

// ---- The charset prescan ----------------------------------------------------

// A scan of the start of an HTML page for the character set it declares, the
// way browsers prescan it: comments and other tags are stepped over whole so
// a "<meta" inside them counts for nothing, and the first <meta charset> or
// <meta http-equiv="Content-Type" content="...; charset=..."> naming a known
// character set wins. The bytes end the scan wherever they end.
class CharsetPrescan {
public:
    explicit CharsetPrescan(std::string_view head) : s_(head) {}

    std::optional<std::string> FromMeta() {
        for (pos_ = 0; pos_ < s_.size(); ++pos_) {
            if (At("<!--")) {
                const std::size_t end = s_.find("-->", pos_ + 2);
                if (end == std::string_view::npos) break;
                pos_ = end + 2;
            } else if (At("<meta") && (ascii::IsSpace(ByteAt(pos_ + 5)) || ByteAt(pos_ + 5) == '/')) {
                pos_ += 5;
                if (auto charset = CharsetOfMetaAttributes()) return charset;
            } else if (At("<") && (ascii::IsAlpha(ByteAt(pos_ + 1)) ||
                                   (ByteAt(pos_ + 1) == '/' && ascii::IsAlpha(ByteAt(pos_ + 2))))) {
                while (pos_ < s_.size() && !ascii::IsSpace(s_[pos_]) && s_[pos_] != '>') ++pos_;
                while (NextAttribute()) {
                }
            } else if (At("<!") || At("</") || At("<?")) {
                const std::size_t end = s_.find('>', pos_ + 1);
                if (end == std::string_view::npos) break;
                pos_ = end;
            }
        }
        return std::nullopt;
    }

    // The encoding in an XML declaration opening the page, as XHTML pages have.
    std::optional<std::string> FromXmlDeclaration() {
        pos_ = 0;
        if (!At("<?xml") || !ascii::IsSpace(ByteAt(5))) return std::nullopt;
        pos_ = 5;
        while (const auto attribute = NextAttribute()) {
            if (attribute->name == "encoding") return CharsetOfDeclaredLabel(attribute->value);
        }
        return std::nullopt;
    }

private:
    struct Attribute {
        std::string name;
        std::string value;
    };

    char ByteAt(std::size_t i) const { return i < s_.size() ? s_[i] : '\0'; }

    // Whether the bytes at the scan position are `lowercaseText` in any case.
    bool At(std::string_view lowercaseText) const {
        return ascii::EqualsNoCase(s_.substr(pos_, lowercaseText.size()), lowercaseText);
    }

    void SkipSpaces() {
        while (pos_ < s_.size() && ascii::IsSpace(s_[pos_])) ++pos_;
    }

    // The next attribute of the tag being scanned, names and values in lower
    // case; nothing at the tag's ">" (left at the scan position) or when the
    // bytes end inside the tag (the scan position then at their end).
    std::optional<Attribute> NextAttribute() {
        while (pos_ < s_.size() && (ascii::IsSpace(s_[pos_]) || s_[pos_] == '/')) ++pos_;
        if (pos_ >= s_.size() || s_[pos_] == '>') return std::nullopt;
        Attribute attribute;
        for (;; ++pos_) {
            if (pos_ >= s_.size()) return std::nullopt;
            const char c = s_[pos_];
            if (c == '=' && !attribute.name.empty()) break;
            if (c == '/' || c == '>') return attribute;
            if (ascii::IsSpace(c)) {
                SkipSpaces();
                if (pos_ >= s_.size()) return std::nullopt;
                if (s_[pos_] != '=') return attribute;
                break;
            }
            attribute.name += ascii::ToLower(c);
        }
        ++pos_;  // the "="
        SkipSpaces();
        if (pos_ >= s_.size()) return std::nullopt;
        const char quote = s_[pos_];
        if (quote == '"' || quote == '\'') {
            const std::size_t close = s_.find(quote, pos_ + 1);
            if (close == std::string_view::npos) {
                pos_ = s_.size();
                return std::nullopt;
            }
            attribute.value = ascii::Lower(s_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            return attribute;
        }
        const std::size_t start = pos_;
        while (pos_ < s_.size() && !ascii::IsSpace(s_[pos_]) && s_[pos_] != '>') ++pos_;
        if (pos_ >= s_.size()) return std::nullopt;
        attribute.value = ascii::Lower(s_.substr(start, pos_ - start));
        return attribute;
    }

    // The character set the attributes of a <meta> tag name, reading on to
    // the end of the tag. Each attribute counts once; a charset taken from
    // "content" counts only beside http-equiv="Content-Type".
    std::optional<std::string> CharsetOfMetaAttributes() {
        bool seenHttpEquiv = false, seenContent = false, seenCharset = false;
        bool isContentType = false, needsContentType = false;
        std::optional<std::string> label;
        while (const auto attribute = NextAttribute()) {
            if (attribute->name == "http-equiv" && !seenHttpEquiv) {
                seenHttpEquiv = true;
                isContentType = attribute->value == "content-type";
            } else if (attribute->name == "content" && !seenContent) {
                seenContent = true;
                if (!label) {
                    label = CharsetInContent(attribute->value);
                    needsContentType = label.has_value();
                }
            } else if (attribute->name == "charset" && !seenCharset) {
                seenCharset = true;
                label = attribute->value;
                needsContentType = false;
            }
        }
        if (!label || (needsContentType && !isContentType)) return std::nullopt;
        return CharsetOfDeclaredLabel(*label);
    }

    // The label after "charset=" in a Content-Type value, quoted or not.
    static std::optional<std::string> CharsetInContent(std::string_view content) {
        std::size_t pos = 0;
        const auto skipSpaces = [&] {
            while (pos < content.size() && ascii::IsSpace(content[pos])) ++pos;
        };
        for (;;) {
            pos = content.find("charset", pos);
            if (pos == std::string_view::npos) return std::nullopt;
            pos += 7;
            skipSpaces();
            if (pos < content.size() && content[pos] == '=') break;
        }
        ++pos;
        skipSpaces();
        if (pos >= content.size()) return std::nullopt;
        const char quote = content[pos];
        if (quote == '"' || quote == '\'') {
            const std::size_t close = content.find(quote, pos + 1);
            if (close == std::string_view::npos) return std::nullopt;
            return std::string(content.substr(pos + 1, close - pos - 1));
        }
        const std::size_t end = content.find_first_of(" \t\n\f\r;", pos);
        return std::string(content.substr(pos, end == std::string_view::npos ? end : end - pos));
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

// ---- Conversion to UTF-8 ----------------------------------------------------

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// `bytes` in `charset` as UTF-8, each sequence iconv cannot convert U+FFFD
// (skipping one byte, or one code unit of UTF-16, and going on); nothing when
// iconv does not know the character set.
std::optional<std::string> ConvertWithIconv(std::string_view bytes, const std::string& charset) {
    const iconv_t opened = iconv_open("UTF-8", charset.c_str());
    if (opened == iconv_t(-1)) return std::nullopt;
    const std::unique_ptr<void, IconvCloser> cd(opened);
    const std::size_t unit = IsUtf16(charset) ? 2 : 1;
    std::string out(bytes.size() + bytes.size() / 2 + 64, '\0');
    std::size_t used = 0;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    for (bool flushed = false; !flushed;) {
        if (out.size() - used < 16) out.resize(out.size() * 2);
        char* to = out.data() + used;
        std::size_t toLeft = out.size() - used;
        // With the input done, one last call writes out what a stateful
        // character set (ISO-2022-JP) may still hold back.
        const std::size_t result = inLeft > 0 ? iconv(opened, &in, &inLeft, &to, &toLeft)
                                              : iconv(opened, nullptr, nullptr, &to, &toLeft);
        const int error = errno;
        used = static_cast<std::size_t>(to - out.data());
        if (result != static_cast<std::size_t>(-1)) {
            flushed = inLeft == 0;
        } else if (error == E2BIG) {
            out.resize(out.size() * 2);
        } else if (inLeft == 0) {
            flushed = true;
        } else {  // EILSEQ, or EINVAL: a sequence cut off by the end of the bytes
            out.resize(std::max(out.size(), used + kReplacementChar.size()));
            out.replace(used, kReplacementChar.size(), kReplacementChar);
            used += kReplacementChar.size();
            const std::size_t skipped = std::min(unit, inLeft);
            in += skipped;
            inLeft -= skipped;
        }
    }
    out.resize(used);
    return out;
}

// `bytes` as clean UTF-8 (see CleanUtf8), read in `charset`.
std::string ToUtf8(std::string_view bytes, const std::string& charset) {
    if (charset != "UTF-8") {
        if (const auto converted = ConvertWithIconv(bytes, charset)) return CleanUtf8(*converted);
    }
    return CleanUtf8(bytes);
}

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
            std::size_t end = i + 1;
            while (end < text.size() && SpaceLengthAt(text, end) == 0) ++end;
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
    std::string Take() {
        pendingLineBreak_ = pendingSpace_ = false;
        return std::exchange(text_, {});
    }

private:
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
    {"main", Role::kBlock},           {"menu", Role::kBlock},          {"nav", Role::kBlock},
    {"noembed", Role::kHidden},       {"noframes", Role::kHidden},     {"noscript", Role::kHidden},
    {"ol", Role::kBlock},             {"optgroup", Role::kBlock},      {"option", Role::kBlock},
    {"p", Role::kBlock},              {"plaintext", Role::kPreformatted}, {"pre", Role::kPreformatted},
    {"script", Role::kHidden},        {"section", Role::kBlock},       {"style", Role::kHidden},
    {"summary", Role::kBlock},        {"table", Role::kBlock},         {"td", Role::kBlock},
    {"template", Role::kHidden},      {"textarea", Role::kPreformatted}, {"th", Role::kBlock},
    {"title", Role::kTitle},          {"tr", Role::kBlock},            {"ul", Role::kBlock},
    {"xmp", Role::kPreformatted},
});
static_assert(std::ranges::is_sorted(kRoles, {}, &ElementRole::name), "kRoles is searched by name");

// The value of an attribute in the list libxml2's parser hands over (name,
// value, name, value, ..., null; a value is null where the attribute has
// none), or nothing when the element has no such attribute.
std::optional<std::string_view> FindAttribute(const xmlChar** attributes, std::string_view name) {
    for (; attributes != nullptr && attributes[0] != nullptr; attributes += 2) {
        if (reinterpret_cast<const char*>(attributes[0]) != name) continue;
        return attributes[1] != nullptr ? reinterpret_cast<const char*>(attributes[1]) : "";
    }
    return std::nullopt;
}

// The role of an element; libxml2 gives HTML element and attribute names in
// lower case. Anything with the hidden attribute is hidden, as browsers
// show it.
std::optional<Role> RoleOf(std::string_view name, const xmlChar** attributes) {
    if (FindAttribute(attributes, "hidden")) return Role::kHidden;
    const auto found = std::ranges::lower_bound(kRoles, name, {}, &ElementRole::name);
    if (found == kRoles.end() || found->name != name) return std::nullopt;
    if (found->role == Role::kAltText && name == "input" &&
        !ascii::EqualsNoCase(FindAttribute(attributes, "type").value_or(""), "image"))
        return std::nullopt;
    return found->role;
}

// Collects a page's text from the parser's events as they come, without a
// tree being built: an element's start and end, and the text between them.
// The parser hands over one text in pieces; they are gathered and taken in
// whole when the next element, comment or the end comes.
class TextCollector {
public:
    void Start(std::string_view name, const xmlChar** attributes) {
        TakeText();
        if (skipped_ > 0) {
            ++skipped_;  // inside something not shown
            return;
        }
        const std::optional<Role> role = RoleOf(name, attributes);
        open_.push_back(role);
        if (!Enter(role, attributes)) skipped_ = 1;
    }

    void End() {
        TakeText();
        if (skipped_ > 1) {
            --skipped_;
            return;
        }
        skipped_ = 0;
        if (open_.empty()) return;  // an end the parser made up past the top
        Leave(open_.back());
        open_.pop_back();
    }

    void Text(std::string_view piece) {
        if (skipped_ == 0) pendingText_.append(piece);
    }

    void TakeText() {
        if (!pendingText_.empty()) AddText(pendingText_);
        pendingText_.clear();
    }

    PageText Finish() {
        TakeText();
        page_.title = !title_.Empty() || page_.headings.empty() ? title_.Take() : page_.headings.front();
        page_.body = body_.Take();
        return std::move(page_);
    }

private:
    // Takes in an element; whether what it holds is shown.
    bool Enter(std::optional<Role> role, const xmlChar** attributes) {
        if (!role) return true;
        switch (*role) {
            case Role::kHidden:
                return false;
            case Role::kTitle:
                if (sawTitle_) return false;
                sawTitle_ = true;
                titleDepth_ = open_.size();
                return true;
            case Role::kAltText:
                Space();
                AddText(FindAttribute(attributes, "alt").value_or(""));
                Space();
                return false;
            case Role::kHeading:
                ++headingDepth_;
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
            case Role::kAltText:
                return;
            case Role::kTitle:
                if (open_.size() == titleDepth_) titleDepth_ = 0;
                return;
            case Role::kHeading:
                if (--headingDepth_ == 0 && !heading_.Empty()) page_.headings.push_back(heading_.Take());
                break;
            case Role::kPreformatted:
                --preformattedDepth_;
                break;
            case Role::kBlock:
                break;
        }
        Boundary();
    }

    // Text the page shows. libxml2's HTML parser keeps CDATA sections (as
    // XHTML pages and inline SVG have them) as text, markers and all; their
    // content is text, as an XML parser reads it, the markers are not.
    void AddText(std::string_view text) {
        static constexpr std::string_view kOpen = "<![CDATA[", kClose = "]]>";
        for (;;) {
            const std::size_t open = text.find(kOpen), close = text.find(kClose);
            const std::size_t marker = std::min(open, close);
            if (marker == std::string_view::npos) break;
            AddShownText(text.substr(0, marker));
            text.remove_prefix(marker + (marker == open ? kOpen.size() : kClose.size()));
        }
        AddShownText(text);
    }

    void AddShownText(std::string_view text) {
        if (text.empty()) return;
        if (InTitle()) {
            title_.Append(text, false);
            return;
        }
        body_.Append(text, preformattedDepth_ > 0);
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
    std::vector<std::optional<Role>> open_;  // the roles of the open elements, outermost first
    std::size_t skipped_ = 0;                // the depth inside an element not shown, 0 outside any
    std::string pendingText_;
    bool sawTitle_ = false;
    std::size_t titleDepth_ = 0;  // how many elements are open in the first title, while in it
    int headingDepth_ = 0;
    int preformattedDepth_ = 0;
};

TextCollector& CollectorOf(void* context) { return *static_cast<TextCollector*>(context); }

// The parser's events the collector takes; everything else (comments,
// processing instructions, the doctype) only ends a text.
xmlSAXHandler CollectingHandler() {
    xmlSAXHandler handler{};
    handler.startElement = [](void* context, const xmlChar* name, const xmlChar** attributes) {
        CollectorOf(context).Start(name ? reinterpret_cast<const char*>(name) : "", attributes);
    };
    handler.endElement = [](void* context, const xmlChar*) { CollectorOf(context).End(); };
    handler.characters = handler.ignorableWhitespace = handler.cdataBlock = [](void* context, const xmlChar* text, int length) {
        CollectorOf(context).Text({reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)});
    };
    handler.comment = [](void* context, const xmlChar*) { CollectorOf(context).TakeText(); };
    handler.processingInstruction = [](void* context, const xmlChar*, const xmlChar*) { CollectorOf(context).TakeText(); };
    return handler;
}

struct ParserFreer {
    const LibxmlFunctions* libxml;
    void operator()(htmlParserCtxtPtr parser) const { libxml->htmlFreeParserCtxt_(parser); }
};

// The parser options: recover from anything, quietly, never fetch, and keep
// the UTF-8 this unit hands over whatever the page's <meta> says. XML_PARSE_HUGE
// lifts libxml2's nesting limit of 256 elements, past which it would drop the
// rest of the page (old pages leave <font> and <b> unclosed by the thousand).
constexpr int kHtmlParseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                  HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC | static_cast<int>(XML_PARSE_HUGE);

void InitLibxmlOnce(const LibxmlFunctions& libxml) {
    static std::once_flag once;
    std::call_once(once, [&] { libxml.xmlInitParser_(); });
}

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

std::string CharsetOf(std::string_view bytes, PageKind kind) {
    if (auto charset = CharsetOfBom(bytes)) return *charset;
    if (kind == PageKind::kHtml) {
        CharsetPrescan prescan(bytes.substr(0, kPrescanLength));
        if (auto charset = prescan.FromMeta()) return *charset;
        if (auto charset = prescan.FromXmlDeclaration()) return *charset;
    }
    return IsValidUtf8(bytes) ? "UTF-8" : "WINDOWS-1252";
}

PageText TextOfHtml(std::string_view bytes) {
    const std::string text = ToUtf8(bytes, CharsetOf(bytes, PageKind::kHtml));
    if (text.empty()) return {};
    // libxml2 takes an int length; a page past 2 GiB is read up to there.
    std::size_t length = std::min<std::size_t>(text.size(), INT_MAX);
    while (length < text.size() && (static_cast<std::uint8_t>(text[length]) & 0xC0) == 0x80) --length;
    const LibxmlFunctions& libxml = TextLibrariesInUse().libxml;
    InitLibxmlOnce(libxml);
    // The push parser takes the handler and the collector as arguments: no
    // field of its context, whose layout changes between releases, is touched.
    static const xmlSAXHandler kHandler = CollectingHandler();
    xmlSAXHandler handler = kHandler;
    TextCollector collector;
    const std::unique_ptr<htmlParserCtxt, ParserFreer> parser(
        libxml.htmlCreatePushParserCtxt_(&handler, &collector, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8),
        ParserFreer{&libxml});
    if (!parser) return {};
    libxml.htmlCtxtUseOptions_(parser.get(), kHtmlParseOptions);
    libxml.htmlParseChunk_(parser.get(), text.data(), static_cast<int>(length), 1);
    return collector.Finish();
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
