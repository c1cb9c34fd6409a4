// Page answers: byte ranges, content types and bodies of page requests.
#include "PageAnswer.h"

#include "Ascii.h"
#include "ZLibEx.h"
#include "eProtocol.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace viewer {

namespace {

// The most of a chunked page read and held at once for its body: a few of its chunks.
constexpr book::PageReader::Pieces kBodyPieces{4u << 20, 1};
// What the content sniffing looks at.
constexpr std::size_t kSniffLength = 4096;
constexpr const char* kUnknownType = "application/octet-stream";

// Where browsers expect another type than the desktop's database gives.
constexpr std::pair<std::string_view, const char*> kBrowserTypes[] = {
    {"js", "text/javascript"}, {"mjs", "text/javascript"}, {"otf", "font/otf"}, {"wasm", "application/wasm"},
};

// A decimal number of digits only; one too large for 64 bits is the largest
// there is (it lies past the end of any page all the same).
std::optional<std::uint64_t> DecimalNumber(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        const unsigned digit = static_cast<unsigned>(c - '0');
        value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
    }
    return value;
}

// The MIME type GLib guesses from a file name or from data.
std::string GuessedType(const char* fileName, std::string_view data) {
    char* contentType = g_content_type_guess(fileName, reinterpret_cast<const guchar*>(data.data()), data.size(), nullptr);
    char* mime = contentType ? g_content_type_get_mime_type(contentType) : nullptr;
    std::string type = mime ? mime : kUnknownType;
    g_free(mime);
    g_free(contentType);
    return type;
}

PageAnswer AnswerFrom(book::PageReader& page, const std::optional<std::string>& range, const std::string& contentType) {
    PageAnswer answer;
    answer.contentType = contentType;
    answer.pageSize = page.Size();
    const RangeChoice choice = ChooseRange(range, page.Size());
    answer.status = choice.status;
    answer.first = choice.first;
    answer.length = choice.length;
    if (std::optional<std::string> whole = page.TakeWhole())
        answer.bytes = choice.length == page.Size() ? std::move(*whole) : whole->substr(choice.first, choice.length);
    else if (choice.length > 0)
        answer.reader.emplace(std::move(page), choice.first, choice.length);
    return answer;
}

}  // namespace

RangeChoice ChooseRange(const std::optional<std::string>& rangeHeader, std::uint64_t pageSize) {
    const RangeChoice whole{200, 0, pageSize}, unsatisfiable{416, 0, 0};
    if (!rangeHeader) return whole;
    const std::string_view value = ascii::TrimSpacesAndTabs(*rangeHeader);
    const std::size_t equals = value.find('=');
    if (equals == std::string_view::npos || ascii::Lower(ascii::TrimSpacesAndTabs(value.substr(0, equals))) != "bytes")
        return whole;
    const std::string_view byteRange = ascii::TrimSpacesAndTabs(value.substr(equals + 1));
    const std::size_t dash = byteRange.find('-');
    if (dash == std::string_view::npos || byteRange.find(',') != std::string_view::npos) return whole;
    const std::optional<std::uint64_t> last = DecimalNumber(byteRange.substr(dash + 1));
    if (dash == 0) {  // the last n bytes
        if (!last) return whole;
        if (*last == 0 || pageSize == 0) return unsatisfiable;
        const std::uint64_t length = std::min(*last, pageSize);
        return {206, pageSize - length, length};
    }
    const std::optional<std::uint64_t> first = DecimalNumber(byteRange.substr(0, dash));
    const bool openEnded = dash + 1 == byteRange.size();
    if (!first || (!openEnded && (!last || *last < *first))) return whole;
    if (*first >= pageSize) return unsatisfiable;
    const std::uint64_t end = openEnded ? pageSize - 1 : std::min(*last, pageSize - 1);
    return {206, *first, end - *first + 1};
}

std::string ContentTypeOfName(std::string_view pageName) {
    const std::string_view segment = pageName.substr(pageName.rfind('/') + 1);
    const std::size_t dot = segment.rfind('.');
    const std::string extension = dot == std::string_view::npos ? std::string() : ascii::Lower(segment.substr(dot + 1));
    for (const auto& [known, type] : kBrowserTypes)
        if (extension == known) return type;
    char* valid = g_utf8_make_valid(segment.data(), static_cast<gssize>(segment.size()));
    std::string type = GuessedType(valid, {});
    g_free(valid);
    if (type != kUnknownType) return type;
    return extension.empty() ? std::string() : type;
}

std::string ContentTypeOfBytes(std::string_view firstBytes) {
    if (firstBytes.empty()) return "text/plain";
    return GuessedType(nullptr, firstBytes.substr(0, kSniffLength));
}

PageBodyReader::PageBodyReader(book::PageReader page, std::uint64_t first, std::uint64_t length)
    : page_(std::move(page)), next_(first), end_(first + length) {}

std::size_t PageBodyReader::Read(char* into, std::size_t most) {
    if (next_ == end_ || most == 0) return 0;
    const std::size_t n = page_.ReadAt(next_, into, static_cast<std::size_t>(std::min<std::uint64_t>(most, end_ - next_)));
    if (n == 0) throw ZLibEx::EZDecompressionError("the page ends before its announced size");
    next_ += n;
    return n;
}

std::optional<book::PageReader> FindPage(const std::shared_ptr<const book::Book>& book, const std::string& url,
                                         book::PageReader::Pieces pieces, bool wantHead) {
    try {
        for (const std::string& name : PageNameCandidates(url))
            if (auto page = book::PageReader::Open(book, name, pieces, wantHead ? kSniffLength : 0)) return page;
    } catch (const std::exception&) {
        // A book that cannot be read has no pages.
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> PageAnswer::Headers() const {
    std::vector<std::pair<std::string, std::string>> headers = {
        {"Content-Type", contentType},
        {"Content-Length", std::to_string(length)},
        {"Accept-Ranges", "bytes"},
    };
    if (status == 206)
        headers.emplace_back("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                  std::to_string(first + length - 1) + "/" + std::to_string(pageSize));
    if (status == 416) headers.emplace_back("Content-Range", "bytes */" + std::to_string(pageSize));
    return headers;
}

PageAnswer AnswerPageRequest(const std::shared_ptr<const book::Book>& book, const PageRequest& request) {
    // The type follows the name the URL asks for, found or not.
    const std::string typeName = DecodedPageName(request.url);
    std::string type = ContentTypeOfName(typeName);
    try {
        if (book && request.servesPages && IsPageUrl(request.url)) {
            if (std::optional<book::PageReader> page = FindPage(book, request.url, kBodyPieces, type.empty())) {
                if (type.empty()) type = ContentTypeOfBytes(page->Head());
                return AnswerFrom(*page, request.range, type);
            }
        }
    } catch (const std::exception&) {
        // Whatever went wrong is an empty answer, like a missing page.
    }
    PageAnswer empty;
    empty.contentType = type.empty() ? ContentTypeOfBytes({}) : type;
    return empty;
}

}  // namespace viewer
