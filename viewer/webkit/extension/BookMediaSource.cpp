// A GStreamer source element for the eBook's media. GStreamer pulls bytes
// from it at any offset (random access), as from a local file; each read is
// served by the page blocks' range reads, a chunk at a time.
#include "BookMediaSource.h"

#include "PageAnswer.h"
#include "eProtocol.h"

#include <gst/base/gstbasesrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>

namespace zorbin_extension {
namespace {

// What GStreamer asks for when a reader does not say.
constexpr guint kBlockSize = 64 * 1024;

struct BookSource {
    GstBaseSrc parent;
    char* uri;                              // the "ebook://ebook/…" address played
    std::optional<book::PageReader>* page;  // set from start to stop
};

struct BookSourceClass {
    GstBaseSrcClass parent;
};

GType book_source_get_type();
void InitUriHandler(gpointer iface, gpointer);

G_DEFINE_TYPE_WITH_CODE(BookSource, book_source, GST_TYPE_BASE_SRC,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_URI_HANDLER, InitUriHandler))

BookSource* Of(gpointer object) { return reinterpret_cast<BookSource*>(object); }

// The book a source reads: the one its type was registered with.
GQuark BookQuark() { return g_quark_from_static_string("zorbin-book"); }
std::shared_ptr<const book::Book> BookOf(gpointer source) {
    const auto* book =
        static_cast<const std::shared_ptr<const book::Book>*>(g_type_get_qdata(G_OBJECT_TYPE(source), BookQuark()));
    return book ? *book : nullptr;
}

// The page of the address, by the page protocol's names and rules. Pages
// are asked for media only by pages the viewer has served already.
gboolean Start(GstBaseSrc* base) {
    BookSource* self = Of(base);
    const std::string pageUrl = viewer::PageUrlOf(self->uri ? self->uri : "");
    const std::shared_ptr<const book::Book> book = BookOf(base);
    std::optional<book::PageReader> found = book ? viewer::FindPage(book, pageUrl, viewer::kMediaPieces) : std::nullopt;
    if (!found) {
        GST_ELEMENT_ERROR(base, RESOURCE, NOT_FOUND, ("The eBook has no page %s", self->uri), (nullptr));
        return FALSE;
    }
    self->page->emplace(std::move(*found));
    return TRUE;
}

gboolean Stop(GstBaseSrc* base) {
    Of(base)->page->reset();
    return TRUE;
}

gboolean GetSize(GstBaseSrc* base, guint64* size) {
    const auto& page = *Of(base)->page;
    if (!page) return FALSE;
    *size = page->Size();
    return TRUE;
}

gboolean IsSeekable(GstBaseSrc*) { return TRUE; }

GstFlowReturn Fill(GstBaseSrc* base, guint64 offset, guint length, GstBuffer* buffer) {
    auto& page = *Of(base)->page;
    if (!page || offset >= page->Size()) return GST_FLOW_EOS;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) return GST_FLOW_ERROR;
    gsize filled = 0;
    try {
        const gsize wanted = std::min<gsize>({length, map.size, page->Size() - offset});
        while (filled < wanted) {
            const std::size_t n = page->ReadAt(offset + filled, reinterpret_cast<char*>(map.data) + filled, wanted - filled);
            if (n == 0) break;
            filled += n;
        }
    } catch (const std::exception& error) {
        gst_buffer_unmap(buffer, &map);
        GST_ELEMENT_ERROR(base, RESOURCE, READ, ("The eBook's page %s cannot be read", Of(base)->uri),
                          ("%s", error.what()));
        return GST_FLOW_ERROR;
    }
    gst_buffer_unmap(buffer, &map);
    gst_buffer_set_size(buffer, filled);
    return GST_FLOW_OK;
}

void Finalize(GObject* object) {
    g_free(Of(object)->uri);
    delete Of(object)->page;
    G_OBJECT_CLASS(book_source_parent_class)->finalize(object);
}

void book_source_class_init(BookSourceClass* klass) {
    static GstStaticPadTemplate source = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &source);
    gst_element_class_set_static_metadata(element, "eBook page source", "Source/File",
                                          "Reads the media of the eBook the viewer shows", "Zorbin eBook Compiler");
    GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
    base->start = Start;
    base->stop = Stop;
    base->get_size = GetSize;
    base->is_seekable = IsSeekable;
    base->fill = Fill;
}

void book_source_init(BookSource* self) {
    self->page = new std::optional<book::PageReader>();
    gst_base_src_set_blocksize(GST_BASE_SRC(self), kBlockSize);
}

GstURIType UriType(GType) { return GST_URI_SRC; }

const char* const* UriProtocols(GType) {
    static const char* const protocols[] = {kMediaScheme, nullptr};
    return protocols;
}

char* GetUri(GstURIHandler* handler) { return g_strdup(Of(handler)->uri); }

gboolean SetUri(GstURIHandler* handler, const char* uri, GError** error) {
    if (GST_STATE(handler) != GST_STATE_NULL && GST_STATE(handler) != GST_STATE_READY) {
        g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_BAD_STATE, "The address cannot change while playing");
        return FALSE;
    }
    if (viewer::PageUrlOf(uri ? uri : "").empty()) {
        g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_BAD_URI, "Not an address in the eBook: %s", uri);
        return FALSE;
    }
    g_free(Of(handler)->uri);
    Of(handler)->uri = g_strdup(uri);
    return TRUE;
}

void InitUriHandler(gpointer iface, gpointer) {
    auto* handler = static_cast<GstURIHandlerInterface*>(iface);
    handler->get_type = UriType;
    handler->get_protocols = UriProtocols;
    handler->get_uri = GetUri;
    handler->set_uri = SetUri;
}

gboolean RegisterElements(GstPlugin* plugin) {
    return gst_element_register(plugin, "zorbinbooksrc", GST_RANK_PRIMARY, book_source_get_type());
}

}  // namespace

bool RegisterBookMediaSource(std::shared_ptr<const book::Book> book) {
    // WebKit initializes GStreamer itself later on; doing it first changes
    // nothing for it.
    if (!gst_init_check(nullptr, nullptr, nullptr)) return false;
    // The type keeps the book for as long as the process runs.
    g_type_set_qdata(book_source_get_type(), BookQuark(), new std::shared_ptr<const book::Book>(std::move(book)));
    return gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "zorbinbook",
                                      "The eBook's media, read in place", RegisterElements, "1.0", "Proprietary",
                                      "zorbin", "zorbin", "Zorbin eBook Compiler");
}

}  // namespace zorbin_extension
