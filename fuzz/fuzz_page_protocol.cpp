// Fuzz target: the page protocol's Start and Read on arbitrary URLs and
// eBook images. The first byte gives the length of the URL's rest, the
// second chooses the URL's prefix, whether pages are ready, whether the image
// holds a page under one of the names the URL leads to, and the output
// limit. Then come the URL's rest and the bytes for the image: a page's
// content or a raw payload, then whatever else the image holds.
#include "Ascii.h"
#include "ScratchFile.h"
#include "SimExe.h"
#include "ZLibEx.h"
#include "eProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace {

struct CountingSink : viewer::IInternetProtocolSink {
    int data = 0, results = 0;
    std::uint64_t announced = 0;
    void ReportData(std::uint32_t, std::uint64_t progress, std::uint64_t) override {
        ++data;
        announced = progress;
    }
    void ReportResult(viewer::HRESULT result, std::uint32_t, const char*) override {
        ++results;
        if (result != viewer::S_OK) std::abort();
    }
};

// The image opened from a file, as the viewer opens its own.
std::shared_ptr<const book::Book> OpenImage(const std::string& image) {
    static const ScratchFile file("image");
    return book::Book::Open(file.Write(image.data(), image.size()));
}

const char* const kPrefixes[] = {"http://ebook/", "HTTP://EBook/", "http://other/", ""};

bool HasPagePrefix(const std::string& url) { return ascii::Lower(url.substr(0, 13)) == "http://ebook/"; }

// The whole answer of one request; aborts when the protocol breaks its rules.
std::optional<std::string> Request(std::shared_ptr<const book::Book> book, const std::string& url) {
    auto sink = std::make_shared<CountingSink>();
    viewer::TeProtocol protocol(std::move(book));
    const viewer::HRESULT started = protocol.Start(url, sink);
    if (started != viewer::S_OK) {
        if (started != viewer::INET_E_USE_DEFAULT_PROTOCOLHANDLER || sink->data != 0 || protocol.HoldsSink())
            std::abort();
        return std::nullopt;
    }
    if (sink->data != 1 || sink->results != 1) std::abort();
    std::string answer;
    char buffer[700];
    for (int guard = 0; guard < 1 << 20; ++guard) {
        std::uint32_t read = 0;
        const viewer::HRESULT r = protocol.Read(buffer, sizeof buffer, read);
        answer.append(buffer, read);
        if (r == viewer::S_FALSE) break;
        if (r != viewer::E_PENDING || read == 0) std::abort();
    }
    if (answer.size() != sink->announced) std::abort();
    protocol.Terminate();
    if (protocol.HoldsSink() || protocol.HoldsData()) std::abort();
    return answer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t choice = data[1];
    const std::size_t restLength = std::min<std::size_t>(data[0], size - 2);
    const std::string rest(reinterpret_cast<const char*>(data + 2), restLength);
    const std::string bytes(reinterpret_cast<const char*>(data + 2 + restLength), size - 2 - restLength);
    const std::string url = kPrefixes[choice & 3] + rest;
    viewer::pages_ready = (choice & 4) == 0;
    const bool addPage = choice & 8, underDecodedName = choice & 16, rawPayload = choice & 32;
    const std::size_t limit = (choice & 64) ? 512 : 0;

    // The page takes the first half of the bytes, the rest of the image the other.
    const std::string content = bytes.substr(0, bytes.size() / 2), after = bytes.substr(bytes.size() / 2);
    const std::string decoded = viewer::DecodedPageName(url);
    // The names a page URL is looked up under, in the order they are tried.
    const std::string names[] = {viewer::PageName(url), decoded, decoded.substr(0, decoded.find_first_of("?#"))};
    const std::string& name = names[underDecodedName ? 1 : 0];
    const std::string payload = rawPayload ? content : ZLibEx::CompressString(content, ZLibEx::lvFastest);
    std::string image = "viewer program";
    if (addPage) SimExe::AppendBlock(name, payload, image);
    image += after;
    ZLibEx::SetOutputLimit(limit);

    const std::optional<std::string> answer = Request(OpenImage(image), url);
    if (answer.has_value() != HasPagePrefix(url)) std::abort();
    if (answer && !viewer::pages_ready && !answer->empty()) std::abort();
    // A page stored intact under the first name found is what the URL gets;
    // one too large for the limit counts as missing.
    const auto found = SimExe::FindBlock(image, name);
    const bool intact = addPage && !rawPayload && !name.empty() && found && *found == payload;
    const bool firstFound = !underDecodedName || names[0] == names[1] || !SimExe::FindBlock(image, names[0]);
    const bool fits = limit == 0 || content.size() <= limit;
    const bool nothingLater = !SimExe::FindBlock(image, names[2]) || names[2] == name;
    if (answer && viewer::pages_ready && intact && firstFound && (fits || (underDecodedName && nothingLater))) {
        if (*answer != (fits ? content : std::string())) std::abort();
    }
    ZLibEx::SetOutputLimit(0);
    return 0;
}
