// The character set of a page, as a browser picks it: a byte-order mark,
// else for HTML the <meta> prescan or an XML declaration, else UTF-8 when the
// bytes are valid UTF-8, else windows-1252; and the page's bytes read in that
// set, converted to UTF-8 through iconv.
#include "PageCharset.h"

#include "Ascii.h"
#include "Utf8.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

namespace search {

namespace {

constexpr std::size_t kPrescanLength = 1024;

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

}  // namespace

std::string CharsetOf(std::string_view bytes, PageKind kind) {
    if (auto charset = CharsetOfBom(bytes)) return *charset;
    if (kind == PageKind::kHtml) {
        CharsetPrescan prescan(bytes.substr(0, kPrescanLength));
        if (auto charset = prescan.FromMeta()) return *charset;
        if (auto charset = prescan.FromXmlDeclaration()) return *charset;
    }
    return IsValidUtf8(bytes) ? "UTF-8" : "WINDOWS-1252";
}

std::string ToUtf8(std::string_view bytes, const std::string& charset) {
    if (charset != "UTF-8") {
        if (const auto converted = ConvertWithIconv(bytes, charset)) return CleanUtf8(*converted);
    }
    return CleanUtf8(bytes);
}

std::string_view AsUtf8(std::string_view bytes, const std::string& charset, std::string& converted) {
    if (charset == "UTF-8") {
        if (const std::optional<std::string_view> clean = AlreadyCleanUtf8(bytes)) return *clean;
    }
    converted = ToUtf8(bytes, charset);
    return converted;
}

}  // namespace search
