// The answer to one page request as a web view makes it: an HTTP status,
// headers (type, length, byte range) and a body. Byte ranges are answered
// as HTTP servers answer them; a chunked page's body is read piece by piece
// when it is delivered, so no answer ever holds a large page whole. Free of
// any browser engine; the page names and the lookup rules are those of the
// page protocol (eProtocol.h).
#pragma once

#include "PageReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace viewer {

// What a Range header value asks of a page of `pageSize` bytes.
struct RangeChoice {
    int status = 200;           // 200 the whole page, 206 a part of it, 416 none of it
    std::uint64_t first = 0;    // the body: `length` bytes of the page from `first`
    std::uint64_t length = 0;
};

// One range "bytes=a-b", "bytes=a-" or "bytes=-n" is a part (206); one the
// page cannot meet is 416; no header, a malformed one or several ranges ask
// for the whole page (200).
RangeChoice ChooseRange(const std::optional<std::string>& rangeHeader, std::uint64_t pageSize);

// The content type a page's name tells, from the desktop's MIME database
// with the types browsers expect for web files; an unknown extension is
// "application/octet-stream". Empty when the name has no extension the
// database knows, so only the page's bytes can tell.
std::string ContentTypeOfName(std::string_view pageName);

// The content type of a page whose name tells nothing, from its first bytes
// (text is "text/plain", and so is an empty page).
std::string ContentTypeOfBytes(std::string_view firstBytes);

// Reads `length` bytes of a chunked page from `first` on, in order, a few
// chunks at a time.
class PageBodyReader {
public:
    PageBodyReader(book::PageReader page, std::uint64_t first, std::uint64_t length);

    std::uint64_t Remaining() const { return end_ - next_; }
    // Copies up to `most` of the next bytes into `into`; 0 at the end.
    // Raises EZDecompressionError when the page turns out damaged.
    std::size_t Read(char* into, std::size_t most);

private:
    book::PageReader page_;
    std::uint64_t next_, end_;     // the next byte to deliver and the body's end, in the page
};

// How a page is read for media players, which read at any offset: a chunk
// (as the compiler cuts them) at a time.
inline constexpr book::PageReader::Pieces kMediaPieces{1u << 20, 1};

// The page of the first of the URL's candidate names whose block reads (see
// book::PageReader::Open), its first bytes read when `wantHead`. Nothing
// when no name reads; never raises.
std::optional<book::PageReader> FindPage(const std::shared_ptr<const book::Book>& book, const std::string& url,
                                         book::PageReader::Pieces pieces, bool wantHead = false);

// One request: the page URL ("http://ebook/..."), its Range header, and
// whether pages are served now (read by the caller where it is kept).
struct PageRequest {
    std::string url;
    std::optional<std::string> range;
    bool servesPages = false;
};

struct PageAnswer {
    int status = 200;
    std::string contentType;
    std::uint64_t pageSize = 0;
    std::uint64_t first = 0;       // the body: `length` bytes of the page from `first`
    std::uint64_t length = 0;
    std::string bytes;                     // the body, when it is held whole
    std::optional<PageBodyReader> reader;  // else where it is read from

    // Content-Type, Content-Length, Accept-Ranges and, for 206 and 416,
    // Content-Range.
    std::vector<std::pair<std::string, std::string>> Headers() const;
};

// Answers a request on the book. The page is the first of the URL's candidate names
// whose block reads: a chunked page (one with an access index) through its
// index, any other page inflated whole within the output limit. No page, a
// damaged one, pages not served, or a URL outside the page prefix give an
// empty 200 answer, whatever the range. Never raises.
PageAnswer AnswerPageRequest(const std::shared_ptr<const book::Book>& book, const PageRequest& request);

}  // namespace viewer
