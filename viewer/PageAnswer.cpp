// Page answers: byte ranges, content types and bodies of page requests.
#include "PageAnswer.h"

#include "Ascii.h"
#include "PageRange.h"
#include "SimExe.h"
#include "ZLibEx.h"
#include "eProtocol.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace viewer {

namespace {

// The most of a chunked page read and held at once: a few of its chunks.
constexpr std::uint64_t kPieceSize = 4u << 20;
// What a random read inflates at once: one chunk, as the compiler cuts them.
constexpr std::uint64_t kChunkSize = 1u << 20;
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

// The page of a block name when its block reads: a chunked page through its
// index (the last chunk, and the head when asked for, checked now), any other
// page inflated whole.
std::optional<FoundPage> OpenPage(const std::string& name, bool wantHead) {
    SimExe::TBlockStore& store = SimExe::BlockStore();
    if (!store.Find(SimExe::AccessIndexName(name))) {
        std::string bytes;
        if (!ReadPageBlock(name, bytes)) return std::nullopt;
        FoundPage page{name, bytes.size(), std::nullopt, {}};
        if (wantHead) page.head = bytes.substr(0, kSniffLength);
        page.bytes = std::move(bytes);
        return page;
    }
    try {
        const std::uint64_t headLength = wantHead ? std::min<std::uint64_t>(kSniffLength, ZLibEx::OutputLimit()) : 0;
        std::optional<SimExe::PageBytes> probe = SimExe::ReadBlockRange(name, 0, headLength);
        if (!probe) return std::nullopt;
        return FoundPage{name, probe->pageSize, std::nullopt, std::move(probe->bytes)};
    } catch (const ZLibEx::EZLibError&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return std::nullopt;
}

PageAnswer AnswerFrom(FoundPage& page, const std::optional<std::string>& range, const std::string& contentType) {
    PageAnswer answer;
    answer.contentType = contentType;
    answer.pageSize = page.size;
    const RangeChoice choice = ChooseRange(range, page.size);
    answer.status = choice.status;
    answer.first = choice.first;
    answer.length = choice.length;
    if (page.bytes)
        answer.bytes = choice.length == page.size ? std::move(*page.bytes) : page.bytes->substr(choice.first, choice.length);
    else if (choice.length > 0)
        answer.reader.emplace(page.name, choice.first, choice.length);
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

namespace {

// Some of a chunked page's bytes from `offset` on: at least one, since the
// page reaches past the offset, else it is damaged.
std::size_t ReadOfPage(SimExe::BlockPieces& pieces, std::uint64_t offset, char* into, std::size_t most) {
    const std::size_t n = pieces.ReadAt(offset, into, most);
    if (n == 0) throw ZLibEx::EZDecompressionError("the page ends before its announced size");
    return n;
}

}  // namespace

PageBodyReader::PageBodyReader(std::string blockName, std::uint64_t first, std::uint64_t length)
    : pieces_(std::move(blockName), first + length, kPieceSize), next_(first), end_(first + length) {}

std::size_t PageBodyReader::Read(char* into, std::size_t most) {
    if (next_ == end_ || most == 0) return 0;
    const std::size_t n =
        ReadOfPage(pieces_, next_, into, static_cast<std::size_t>(std::min<std::uint64_t>(most, end_ - next_)));
    next_ += n;
    return n;
}

RandomAccessPage::RandomAccessPage(FoundPage page)
    : size_(page.size), whole_(std::move(page.bytes)), pieces_(std::move(page.name), page.size, kChunkSize) {}

std::size_t RandomAccessPage::ReadAt(std::uint64_t offset, char* into, std::size_t most) {
    if (offset >= size_ || most == 0) return 0;
    if (!whole_) return ReadOfPage(pieces_, offset, into, most);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(most, size_ - offset));
    std::memcpy(into, whole_->data() + offset, n);
    return n;
}

std::optional<FoundPage> FindPage(const std::string& url, bool wantHead) {
    try {
        for (const std::string& name : PageNameCandidates(url))
            if (std::optional<FoundPage> page = OpenPage(name, wantHead)) return page;
    } catch (const std::exception&) {
        // An image that cannot be read has no pages.
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

PageAnswer AnswerPageRequest(const PageRequest& request) {
    // The type follows the name the URL asks for, found or not.
    const std::string typeName = DecodedPageName(request.url);
    std::string type = ContentTypeOfName(typeName);
    try {
        if (request.servesPages && IsPageUrl(request.url)) {
            if (std::optional<FoundPage> page = FindPage(request.url, type.empty())) {
                if (type.empty()) type = ContentTypeOfBytes(page->head);
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
