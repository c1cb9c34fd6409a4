// Page requests of the web view, answered from the page blocks off the main thread.
#include "PageScheme.h"

#include "GObjectRef.h"
#include "eProtocol.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string_view>

namespace viewer::webkit {

namespace {

constexpr const char* kScheme = "ebook";
constexpr const char* kSchemeKey = "zorbin-page-scheme";
constexpr const char* kBookKey = "zorbin-book";

// Answers being prepared, bodies being read and searches made on worker threads.
std::atomic<int> pageWork{0};

// A chunked page's body, read piece by piece as WebKit reads the stream.
struct PageBodyStream {
    GInputStream parent;
    viewer::PageBodyReader* reader;
};
struct PageBodyStreamClass {
    GInputStreamClass parent;
};
G_DEFINE_TYPE(PageBodyStream, zorbin_page_body_stream, G_TYPE_INPUT_STREAM)

gssize ReadBody(GInputStream* stream, void* buffer, gsize count, GCancellable* cancellable, GError** error) {
    if (g_cancellable_set_error_if_cancelled(cancellable, error)) return -1;
    const PageWork reading;
    try {
        return static_cast<gssize>(reinterpret_cast<PageBodyStream*>(stream)->reader->Read(
            static_cast<char*>(buffer), std::min<gsize>(count, G_MAXSSIZE)));
    } catch (const std::exception& e) {
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_FAILED, e.what());
        return -1;
    }
}

void FinalizeBody(GObject* object) {
    delete reinterpret_cast<PageBodyStream*>(object)->reader;
    G_OBJECT_CLASS(zorbin_page_body_stream_parent_class)->finalize(object);
}

void zorbin_page_body_stream_class_init(PageBodyStreamClass* type) {
    G_OBJECT_CLASS(type)->finalize = FinalizeBody;
    G_INPUT_STREAM_CLASS(type)->read_fn = ReadBody;
}

void zorbin_page_body_stream_init(PageBodyStream* stream) { stream->reader = nullptr; }

// One request on its way: the book it asks, what it asks, and in time its answer.
struct PendingRequest {
    WebKitURISchemeRequest* request;  // a reference, let go on the main thread once finished
    std::shared_ptr<const book::Book> book;
    viewer::PageRequest asked;
    viewer::PageAnswer answer;
    PageWork work;

    // The task that holds this may end on the worker thread.
    ~PendingRequest() {
        if (request) g_object_unref(request);
    }
};

// On a worker thread: the lookup, the inflation and the range.
void PrepareAnswer(GTask* task, gpointer, gpointer data, GCancellable*) {
    auto* pending = static_cast<PendingRequest*>(data);
    pending->answer = viewer::AnswerPageRequest(pending->book, pending->asked);
    g_task_return_boolean(task, TRUE);
}

// Back on the main thread: the answer goes to WebKit, its headers both as
// the response's fields and as HTTP headers, which fetch() and XHR read.
void FinishRequest(GObject*, GAsyncResult* result, gpointer) {
    auto* pending = static_cast<PendingRequest*>(g_task_get_task_data(G_TASK(result)));
    viewer::PageAnswer& answer = pending->answer;
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    for (const auto& [name, value] : answer.Headers())
        soup_message_headers_append(headers, name.c_str(), value.c_str());
    const int status = answer.status;
    const std::string contentType = answer.contentType;
    const auto length = static_cast<gint64>(answer.length);
    GInputStream* body = BodyStreamOf(std::move(answer));
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(body, length);
    webkit_uri_scheme_response_set_status(response, static_cast<guint>(status), nullptr);
    webkit_uri_scheme_response_set_content_type(response, contentType.c_str());
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_request_finish_with_response(pending->request, response);
    g_object_unref(response);
    g_object_unref(body);
    g_clear_object(&pending->request);
}

// Everything WebKit must be asked is read here, on the main thread; the
// rest of the work goes to a worker.
void AnswerRequest(WebKitURISchemeRequest* request, gpointer) {
    WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
    auto pending = std::make_unique<PendingRequest>();
    pending->request = WEBKIT_URI_SCHEME_REQUEST(g_object_ref(request));
    pending->asked.url = PageUrlOf(webkit_uri_scheme_request_get_uri(request));
    pending->book = view ? BookServed(view) : nullptr;
    pending->asked.servesPages = viewer::pages_ready && pending->book && !pending->asked.url.empty();
    SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(request);
    if (const char* range = headers ? soup_message_headers_get_one(headers, "Range") : nullptr)
        pending->asked.range = range;
    GTask* task = g_task_new(nullptr, nullptr, FinishRequest, nullptr);
    g_task_set_task_data(task, pending.release(), [](gpointer data) { delete static_cast<PendingRequest*>(data); });
    g_task_run_in_thread(task, PrepareAnswer);
    g_object_unref(task);
}

}  // namespace

bool IsPageUrl(const std::string& url) { return viewer::IsPageUrl(url); }

GInputStream* BodyStreamOf(viewer::PageAnswer&& answer) {
    if (answer.reader) {
        auto* stream = static_cast<PageBodyStream*>(g_object_new(zorbin_page_body_stream_get_type(), nullptr));
        stream->reader = new viewer::PageBodyReader(std::move(*answer.reader));
        return G_INPUT_STREAM(stream);
    }
    auto* bytes = new std::string(std::move(answer.bytes));
    GBytes* data = g_bytes_new_with_free_func(bytes->data(), bytes->size(),
                                              [](gpointer held) { delete static_cast<std::string*>(held); }, bytes);
    GInputStream* stream = g_memory_input_stream_new_from_bytes(data);
    g_bytes_unref(data);
    return stream;
}

PageWork::PageWork() { ++pageWork; }
PageWork::~PageWork() { --pageWork; }

int PageWorkInProgress() { return pageWork.load(); }

void FinishPageWork(int milliseconds) {
    const gint64 until = g_get_monotonic_time() + gint64{milliseconds} * 1000;
    while (PageWorkInProgress() > 0 && g_get_monotonic_time() < until)
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
}

void RegisterPageScheme(WebKitWebContext* context) {
    if (g_object_get_data(G_OBJECT(context), kSchemeKey)) return;
    webkit_web_context_register_uri_scheme(context, kScheme, AnswerRequest, nullptr, nullptr);
    webkit_security_manager_register_uri_scheme_as_cors_enabled(webkit_web_context_get_security_manager(context),
                                                                 kScheme);
    g_object_set_data(G_OBJECT(context), kSchemeKey, GINT_TO_POINTER(1));
}

void ServePages(WebKitWebView* view, std::shared_ptr<const book::Book> book) { SetShared(view, kBookKey, std::move(book)); }

std::shared_ptr<const book::Book> BookServed(WebKitWebView* view) { return GetShared<const book::Book>(view, kBookKey); }

}  // namespace viewer::webkit
