// The in-memory page protocol: answers requests for "http://ebook/<name>"
// with the decompressed page block <name> of the book it is given, and declines
// every other URL so the web view fetches it as usual. Free of any browser
// engine; viewer/webkit drives one TeProtocol per request.
#pragma once

#include "Book.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace viewer {

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000A);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT INET_E_USE_DEFAULT_PROTOCOLHANDLER = static_cast<HRESULT>(0x800C0011);

constexpr std::uint32_t BSCF_FIRSTDATANOTIFICATION = 0x01;
constexpr std::uint32_t BSCF_LASTDATANOTIFICATION = 0x04;
constexpr std::uint32_t BSCF_DATAFULLYAVAILABLE = 0x08;

// The prefix of every page URL.
extern const char* const kPagePrefix;  // "http://ebook/"

// False until start-up is through the password and the start message:
// until then every page request gets an empty document.
extern bool pages_ready;

// Where a protocol object reports its answer. Sizes are 64-bit: a page may
// be larger than 4 GiB.
class IInternetProtocolSink {
public:
    virtual ~IInternetProtocolSink() = default;
    virtual void ReportData(std::uint32_t flags, std::uint64_t progress, std::uint64_t progressMax) = 0;
    virtual void ReportResult(HRESULT result, std::uint32_t error, const char* resultText) = 0;
};

// Whether the URL begins with the page prefix, in any ASCII letter case.
bool IsPageUrl(const std::string& url);

// Web views show a page URL "http://ebook/<rest>" as "ebook://ebook/<rest>",
// a scheme of their own that relative links resolve against the same way.
extern const char* const kViewPrefix;  // "ebook://ebook/"

// The address a web view loads for a URL: a page URL in its view form,
// anything else unchanged.
std::string ViewUriOf(const std::string& url);

// The page URL of a view address "ebook://ebook/<rest>" (in any letter
// case); empty for any other address.
std::string PageUrlOf(const std::string& viewUri);

// The page name of a page URL: the URL without its 13-character prefix,
// every "%20" turned into a space.
std::string PageName(const std::string& url);

// The name tried when the page name finds no block: the rest of the URL
// with any query or fragment cut off and every escape decoded.
std::string DecodedPageName(const std::string& url);

// The block names a page URL is looked up under, in the order they are
// tried: its page name, its decoded name, and that without any query or
// fragment; a name equal to the one before it is left out.
std::vector<std::string> PageNameCandidates(const std::string& url);

// Reads one page block of the book whole. False, with bytes empty, when
// there is no such block or it cannot be decompressed within the output limit.
bool ReadPageBlock(const book::Book& book, const std::string& name, std::string& bytes);

// The bytes of a page of the book: the decompressed payload of the first of
// its candidate names that reads whole. Empty when none does.
std::string LookupPage(const book::Book& book, const std::string& url);

// The page URL that reaches the page block `name` (a first page): the prefix
// and the name, with the bytes a URL cannot carry as they are ("#", "?",
// "\", control bytes and bytes from 0x80 up) written as escapes. A name
// without such bytes is the URL's rest unchanged.
std::string PageUrl(const std::string& name);

// One page request on a book (none answers every page empty): Start, any
// number of Reads, Terminate.
class TeProtocol {
public:
    explicit TeProtocol(std::shared_ptr<const book::Book> book) : book_(std::move(book)) {}

    HRESULT Start(const std::string& url, std::shared_ptr<IInternetProtocolSink> sink);
    HRESULT Continue() { return S_OK; }
    HRESULT Abort() { return E_NOTIMPL; }
    HRESULT Terminate();
    HRESULT Suspend() { return E_NOTIMPL; }
    HRESULT Resume() { return E_NOTIMPL; }
    HRESULT Read(void* buffer, std::uint32_t count, std::uint32_t& countRead);
    HRESULT Seek() { return E_NOTIMPL; }
    HRESULT LockRequest() { return S_OK; }
    HRESULT UnlockRequest() { return S_OK; }

    const std::string& RequestUrl() const { return url_; }
    bool HoldsSink() const { return sink_ != nullptr; }
    bool HoldsData() const { return data_ != nullptr; }

private:
    std::shared_ptr<const book::Book> book_;
    std::string url_;
    std::uint64_t delivered_ = 0;
    std::uint64_t totalSize_ = 0;
    std::shared_ptr<IInternetProtocolSink> sink_;
    // The whole answer and the read position in it.
    struct Stream {
        std::string bytes;
        std::size_t position = 0;
    };
    std::unique_ptr<Stream> data_;
};

}  // namespace viewer
