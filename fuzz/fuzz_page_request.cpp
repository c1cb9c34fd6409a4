// Fuzz target: page answers on arbitrary URLs, Range headers and eBooks.
// The first byte gives the length of the URL's rest, the second that of the
// Range header; the third chooses the URL's prefix, whether pages are
// served, whether the eBook holds a page under the URL's page name, whether
// it is chunked (the fourth byte sets its chunk size), whether its payload is
// raw bytes instead of a stream, a small output limit, and a damaged access
// index. Then come the URL's rest, the header and the page's content. Every
// answer is 200, 206 or 416 with a body as long as it announces; a page
// stored intact answers with its range sliced from the content.
#include "ChunkedPage.h"
#include "PageAnswer.h"
#include "SimExe.h"
#include "ZLibEx.h"
#include "eProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

const char* const kPrefixes[] = {"http://ebook/", "HTTP://EBook/", "http://other/", ""};

std::string HeaderOf(const viewer::PageAnswer& answer, const std::string& name) {
    for (const auto& [key, value] : answer.Headers())
        if (key == name) return value;
    return "<none>";
}

// The body as a stream delivers it; nothing when reading it failed.
std::optional<std::string> BodyOf(viewer::PageAnswer& answer) {
    if (!answer.reader) return answer.bytes;
    std::string body;
    char buffer[1000];
    try {
        while (const std::size_t n = answer.reader->Read(buffer, sizeof buffer)) body.append(buffer, n);
    } catch (const ZLibEx::EZDecompressionError&) {
        return std::nullopt;
    }
    return body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const std::uint8_t choice = data[2];
    std::size_t at = 4;
    const std::size_t restLength = std::min<std::size_t>(data[0], size - at);
    const std::string url = kPrefixes[choice & 3] + std::string(reinterpret_cast<const char*>(data + at), restLength);
    at += restLength;
    const std::size_t headerLength = std::min<std::size_t>(data[1], size - at);
    const std::optional<std::string> range =
        headerLength == 0 ? std::nullopt : std::optional<std::string>(std::string(reinterpret_cast<const char*>(data + at), headerLength));
    at += headerLength;
    const std::string content(reinterpret_cast<const char*>(data + at), size - at);
    const bool serves = !(choice & 4), addPage = choice & 8, chunked = choice & 16, rawPayload = choice & 32,
               smallLimit = choice & 64, damagedIndex = choice & 128;
    const std::size_t chunkSize = 1 + data[3] * 8u;

    const std::string name = viewer::PageName(url);
    std::string payload, indexBlock;
    if (chunked) {
        const ChunkedPage page = MakeChunkedPage(content, chunkSize);
        payload = page.payload;
        std::string index = page.EncodedIndex();
        if (damagedIndex) index[data[3] % index.size()] ^= 0x21;
        indexBlock = ZLibEx::CompressString(index, ZLibEx::lvFastest);
    } else {
        payload = ZLibEx::CompressString(content, ZLibEx::lvFastest);
    }
    if (rawPayload) payload = content;
    std::string image = "viewer program";
    if (addPage) {
        SimExe::AppendBlock(name, payload, image);
        if (chunked) SimExe::AppendBlock(SimExe::AccessIndexName(name), indexBlock, image);
    }
    ZLibEx::SetOutputLimit(smallLimit ? 512 : 0);

    viewer::PageAnswer answer = viewer::AnswerPageRequest(book::Book::OfBytes(image), {url, range, serves});
    const int status = answer.status;
    if (status != 200 && status != 206 && status != 416) std::abort();
    if (HeaderOf(answer, "Content-Length") != std::to_string(answer.length)) std::abort();
    if (HeaderOf(answer, "Accept-Ranges") != "bytes") std::abort();
    if ((HeaderOf(answer, "Content-Range") != "<none>") != (status != 200)) std::abort();
    if (status == 206 && (answer.length == 0 || answer.first + answer.length > answer.pageSize)) std::abort();
    if (status == 416 && answer.length != 0) std::abort();
    if ((!serves || !viewer::IsPageUrl(url)) && (status != 200 || answer.length != 0)) std::abort();
    const std::optional<std::string> body = BodyOf(answer);
    if (body && body->size() != answer.length) std::abort();

    // A page stored intact under the first name tried is what the URL gets.
    const bool intact = addPage && !rawPayload && !damagedIndex && !name.empty() &&
                        SimExe::FindBlock(image, name) == payload &&
                        (!chunked || SimExe::FindBlock(image, SimExe::AccessIndexName(name)) == indexBlock) &&
                        (chunked || !smallLimit || content.size() <= 512);
    if (serves && viewer::IsPageUrl(url) && intact) {
        const viewer::RangeChoice expected = viewer::ChooseRange(range, content.size());
        if (!body || status != expected.status || *body != content.substr(expected.first, expected.length)) std::abort();
    }
    ZLibEx::SetOutputLimit(0);
    return 0;
}
