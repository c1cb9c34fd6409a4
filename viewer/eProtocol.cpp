// The in-memory page protocol.
#include "eProtocol.h"

#include "Ascii.h"
#include "ZLibEx.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace viewer {

const char* const kPagePrefix = "http://ebook/";
const char* const kViewPrefix = "ebook://ebook/";
bool pages_ready = false;

namespace {

constexpr std::size_t kPrefixLength = 13;

// A name cut at its first "?" or "#": the page a first page typed with a
// query or a fragment ("index.html#intro") means.
std::string WithoutQuery(const std::string& name) { return name.substr(0, name.find_first_of("?#")); }

bool NeedsEscape(unsigned char c) { return c < 0x20 || c >= 0x7F || c == '#' || c == '?' || c == '\\'; }

}  // namespace

bool IsPageUrl(const std::string& url) { return ascii::StartsWithNoCase(url, kPagePrefix); }

std::string ViewUriOf(const std::string& url) {
    if (!IsPageUrl(url)) return url;
    return kViewPrefix + url.substr(kPrefixLength);
}

std::string PageUrlOf(const std::string& viewUri) {
    const std::string_view prefix = kViewPrefix;
    if (ascii::StartsWithNoCase(viewUri, prefix)) return kPagePrefix + viewUri.substr(prefix.size());
    if (viewUri.size() + 1 == prefix.size() && ascii::StartsWithNoCase(viewUri + "/", prefix)) return kPagePrefix;
    return {};
}

std::string PageName(const std::string& url) {
    std::string rest = url.size() > kPrefixLength ? url.substr(kPrefixLength) : std::string();
    std::string name;
    for (std::size_t i = 0; i < rest.size();) {
        if (rest.compare(i, 3, "%20") == 0) {
            name += ' ';
            i += 3;
        } else {
            name += rest[i++];
        }
    }
    return name;
}

std::string DecodedPageName(const std::string& url) {
    const std::string rest = url.size() > kPrefixLength ? url.substr(kPrefixLength) : std::string();
    return ascii::PercentDecoded(std::string_view(rest).substr(0, rest.find_first_of("?#")));
}

std::vector<std::string> PageNameCandidates(const std::string& url) {
    const std::string decoded = DecodedPageName(url);
    std::vector<std::string> names = {PageName(url)};
    for (std::string name : {decoded, WithoutQuery(decoded)})
        if (name != names.back()) names.push_back(std::move(name));
    return names;
}

// A payload that cannot be decompressed, or whose content is larger than
// memory allows, counts as absent.
bool ReadPageBlock(const book::Book& book, const std::string& name, std::string& bytes) {
    try {
        return book.ReadBlock(name, bytes);
    } catch (const ZLibEx::EZLibError&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    bytes.clear();
    return false;
}

std::string LookupPage(const book::Book& book, const std::string& url) {
    std::string bytes;
    for (const std::string& name : PageNameCandidates(url))
        if (ReadPageBlock(book, name, bytes)) break;
    return bytes;
}

std::string PageUrl(const std::string& name) { return kPagePrefix + ascii::PercentEncoded(name, NeedsEscape); }

HRESULT TeProtocol::Start(const std::string& url, std::shared_ptr<IInternetProtocolSink> sink) {
    if (!IsPageUrl(url)) return INET_E_USE_DEFAULT_PROTOCOLHANDLER;
    url_ = url;
    delivered_ = 0;
    sink_ = std::move(sink);
    data_ = std::make_unique<Stream>();
    if (pages_ready && book_) {
        data_->bytes = LookupPage(*book_, url);
        totalSize_ = data_->bytes.size();
    }
    if (sink_) {
        sink_->ReportData(BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE,
                          totalSize_, totalSize_);
        sink_->ReportResult(S_OK, 0, nullptr);
    }
    return S_OK;
}

HRESULT TeProtocol::Terminate() {
    sink_.reset();
    data_.reset();
    return S_OK;
}

HRESULT TeProtocol::Read(void* buffer, std::uint32_t count, std::uint32_t& countRead) {
    countRead = 0;
    if (data_) {
        std::size_t n = std::min<std::size_t>(count, data_->bytes.size() - data_->position);
        if (n > 0) std::memcpy(buffer, data_->bytes.data() + data_->position, n);
        data_->position += n;
        countRead = static_cast<std::uint32_t>(n);
    }
    delivered_ += countRead;
    return delivered_ == totalSize_ ? S_FALSE : E_PENDING;
}

}  // namespace viewer
