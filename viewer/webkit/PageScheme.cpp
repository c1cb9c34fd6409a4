// Page requests of the web view, answered from memory through TeProtocol.
#include "PageScheme.h"

#include "eProtocol.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

namespace viewer::webkit {

namespace {

constexpr std::string_view kViewPrefix = "ebook://ebook/";
constexpr const char* kScheme = "ebook";
constexpr const char* kSchemeKey = "zorbin-page-scheme";
constexpr const char* kServesPagesKey = "zorbin-serves-pages";

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return LowerAscii(c); });
    return lower;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && LowerAscii(text.substr(0, prefix.size())) == prefix;
}

// Keeps what the protocol reports; the answer is only used when it reports success.
struct ResultSink : viewer::IInternetProtocolSink {
    bool succeeded = false;
    std::uint64_t size = 0;
    void ReportData(std::uint32_t, std::uint64_t, std::uint64_t progressMax) override { size = progressMax; }
    void ReportResult(viewer::HRESULT result, std::uint32_t, const char*) override { succeeded = result == viewer::S_OK; }
};

struct ContentType {
    std::string_view extension;
    const char* type;
};

constexpr ContentType kContentTypes[] = {
    {"html", "text/html"},        {"htm", "text/html"},          {"xhtml", "application/xhtml+xml"},
    {"css", "text/css"},          {"js", "text/javascript"},     {"mjs", "text/javascript"},
    {"json", "application/json"}, {"txt", "text/plain"},         {"xml", "text/xml"},
    {"svg", "image/svg+xml"},     {"png", "image/png"},          {"gif", "image/gif"},
    {"jpg", "image/jpeg"},        {"jpeg", "image/jpeg"},        {"webp", "image/webp"},
    {"ico", "image/x-icon"},      {"bmp", "image/bmp"},          {"woff", "font/woff"},
    {"woff2", "font/woff2"},      {"ttf", "font/ttf"},           {"otf", "font/otf"},
    {"mp3", "audio/mpeg"},        {"wav", "audio/wav"},          {"ogg", "audio/ogg"},
    {"mp4", "video/mp4"},         {"webm", "video/webm"},        {"pdf", "application/pdf"},
};

// Every request ends here, with the bytes of the answer (possibly none).
void Finish(WebKitURISchemeRequest* request, const std::string& bytes) {
    GBytes* data = g_bytes_new(bytes.data(), bytes.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(data);
    webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(bytes.size()),
                                     ContentTypeOf(webkit_uri_scheme_request_get_uri(request)));
    g_object_unref(stream);
    g_bytes_unref(data);
}

void AnswerRequest(WebKitURISchemeRequest* request, gpointer) {
    WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
    const std::string pageUrl = PageUrlOf(webkit_uri_scheme_request_get_uri(request));
    const bool serve = view && ServesPages(view) && !pageUrl.empty();
    Finish(request, serve ? FetchPage(pageUrl) : std::string());
}

}  // namespace

bool IsPageUrl(const std::string& url) { return StartsWithNoCase(url, viewer::kPagePrefix); }

std::string ViewUriOf(const std::string& url) {
    if (!IsPageUrl(url)) return url;
    return std::string(kViewPrefix) + url.substr(std::string_view(viewer::kPagePrefix).size());
}

std::string PageUrlOf(const std::string& viewUri) {
    if (StartsWithNoCase(viewUri, kViewPrefix)) return viewer::kPagePrefix + viewUri.substr(kViewPrefix.size());
    if (LowerAscii(viewUri) == kViewPrefix.substr(0, kViewPrefix.size() - 1)) return viewer::kPagePrefix;
    return {};
}

const char* ContentTypeOf(const std::string& uri) {
    const std::string_view path = std::string_view(uri).substr(0, uri.find_first_of("?#"));
    const std::string_view segment = path.substr(path.rfind('/') + 1);
    const std::size_t dot = segment.rfind('.');
    if (dot == std::string_view::npos) return nullptr;
    const std::string extension = LowerAscii(segment.substr(dot + 1));
    for (const ContentType& entry : kContentTypes)
        if (entry.extension == extension) return entry.type;
    return nullptr;
}

std::string FetchPage(const std::string& pageUrl) {
    auto sink = std::make_shared<ResultSink>();
    viewer::TeProtocol protocol;
    if (protocol.Start(pageUrl, sink) != viewer::S_OK) return {};
    std::string bytes;
    bytes.reserve(sink->size);
    char buffer[64 * 1024];
    for (;;) {
        std::uint32_t count = 0;
        const viewer::HRESULT result = protocol.Read(buffer, sizeof buffer, count);
        bytes.append(buffer, count);
        if (result == viewer::S_FALSE || count == 0) break;
    }
    protocol.Terminate();
    if (!sink->succeeded) bytes.clear();
    return bytes;
}

void RegisterPageScheme(WebKitWebContext* context) {
    if (g_object_get_data(G_OBJECT(context), kSchemeKey)) return;
    webkit_web_context_register_uri_scheme(context, kScheme, AnswerRequest, nullptr, nullptr);
    webkit_security_manager_register_uri_scheme_as_cors_enabled(webkit_web_context_get_security_manager(context),
                                                                 kScheme);
    g_object_set_data(G_OBJECT(context), kSchemeKey, GINT_TO_POINTER(1));
}

void SetServesPages(WebKitWebView* view, bool serves) {
    g_object_set_data(G_OBJECT(view), kServesPagesKey, GINT_TO_POINTER(serves ? 1 : 0));
}

bool ServesPages(WebKitWebView* view) { return g_object_get_data(G_OBJECT(view), kServesPagesKey) != nullptr; }

}  // namespace viewer::webkit
