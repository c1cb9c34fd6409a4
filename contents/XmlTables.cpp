// libxml2's tree of each file, walked by element names without their
// namespaces, as the files' own readers match them.
#include "XmlTables.h"

#include "Ascii.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <memory>
#include <mutex>

namespace contents {

namespace {

// How deep items are nested at most; deeper ones are left out.
constexpr int kDeepestItem = 64;

struct DocumentFreer {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, DocumentFreer>;

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// Whether libxml2 can take the file; the problem when it cannot.
bool Parsable(std::string_view xml, std::string& problem) {
    static std::once_flag initialized;
    std::call_once(initialized, [] { xmlInitParser(); });
    if (xml.size() <= INT_MAX) return true;
    problem = "it is too large";
    return false;
}

void SetNotWellFormed(std::string& problem) {
    const xmlError* error = xmlGetLastError();
    problem = "it is not well-formed XML";
    if (error && error->line > 0) problem += " (line " + std::to_string(error->line) + ")";
}

// The file's tree, or nothing (with the problem) when it is no well-formed XML.
Document Parse(std::string_view xml, std::string& problem) {
    if (!Parsable(xml, problem)) return nullptr;
    Document document(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, kParseOptions));
    if (!document || !xmlDocGetRootElement(document.get())) {
        SetNotWellFormed(problem);
        return nullptr;
    }
    return document;
}

bool Named(const xmlNode* node, std::string_view name) {
    return node && node->type == XML_ELEMENT_NODE && reinterpret_cast<const char*>(node->name) == name;
}

std::string Attribute(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

// The first child element of that name.
const xmlNode* Child(const xmlNode* node, std::string_view name) {
    for (const xmlNode* child = node ? node->children : nullptr; child; child = child->next)
        if (Named(child, name)) return child;
    return nullptr;
}

// The text an element holds, its elements' included; entity references are
// not followed.
void AppendText(const xmlNode* node, std::string& text, int depth = 0) {
    if (depth > 64) return;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            if (child->content) text += reinterpret_cast<const char*>(child->content);
        } else if (child->type == XML_ELEMENT_NODE) {
            AppendText(child, text, depth + 1);
        }
    }
}

std::string TextOf(const xmlNode* node) {
    std::string text;
    if (node) AppendText(node, text);
    std::string tidy;
    for (const char c : text) {
        if (ascii::IsSpace(c)) {
            if (!tidy.empty() && tidy.back() != ' ') tidy += ' ';
        } else {
            tidy += c;
        }
    }
    if (!tidy.empty() && tidy.back() == ' ') tidy.pop_back();
    return tidy;
}

// Items from every child element named `element`, with `read` making
// each one's text and link, and its children from the same kind of child.
template <typename Read>
std::vector<ListItem> ItemsOf(const xmlNode* parent, std::string_view element, const Read& read, int depth = 0) {
    std::vector<ListItem> items;
    if (depth > kDeepestItem) return items;
    for (const xmlNode* child = parent->children; child; child = child->next) {
        if (!Named(child, element)) continue;
        ListItem item = read(child);
        item.children = ItemsOf(child, element, read, depth + 1);
        items.push_back(std::move(item));
    }
    return items;
}

// The local name of the reader's node.
std::string_view LocalName(xmlTextReader* reader) {
    const xmlChar* local = xmlTextReaderConstLocalName(reader);
    return local ? reinterpret_cast<const char*>(local) : "";
}

// An attribute of the reader's element; "" when it has none.
std::string ReaderAttribute(xmlTextReader* reader, const char* name) {
    xmlChar* value = xmlTextReaderGetAttribute(reader, reinterpret_cast<const xmlChar*>(name));
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

}  // namespace

// Large books list thousands of keywords after their chapters, so the file
// is read as a stream, only as far as the chapters' end.
std::optional<std::vector<ListItem>> DevhelpChapters(std::string_view xml, std::string& problem) {
    if (!Parsable(xml, problem)) return std::nullopt;
    const std::unique_ptr<xmlTextReader, decltype(&xmlFreeTextReader)> owned(
        xmlReaderForMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, kParseOptions),
        xmlFreeTextReader);
    xmlTextReader* const reader = owned.get();
    std::vector<ListItem> chapters;
    // The <sub> elements open around the reader, each inside the one before
    // and the first directly inside <chapters>.
    std::vector<ListItem*> open;
    bool inChapters = false;
    for (;;) {
        const int read = reader ? xmlTextReaderRead(reader) : -1;
        if (read < 0) {
            SetNotWellFormed(problem);
            return std::nullopt;
        }
        if (read == 0) break;
        const int type = xmlTextReaderNodeType(reader), depth = xmlTextReaderDepth(reader);
        const bool element = type == XML_READER_TYPE_ELEMENT;
        if (element && depth == 0 && LocalName(reader) != "book") break;
        if (element && !inChapters) {
            inChapters = depth == 1 && LocalName(reader) == "chapters";
            if (inChapters && xmlTextReaderIsEmptyElement(reader)) return chapters;
        } else if (element && depth == 2 + static_cast<int>(open.size()) && depth - 2 <= kDeepestItem &&
                   LocalName(reader) == "sub") {
            std::vector<ListItem>& siblings = open.empty() ? chapters : open.back()->children;
            siblings.push_back({ReaderAttribute(reader, "name"), ReaderAttribute(reader, "link"), {}});
            if (!xmlTextReaderIsEmptyElement(reader)) open.push_back(&siblings.back());
        } else if (type == XML_READER_TYPE_END_ELEMENT && inChapters) {
            if (depth == 1) return chapters;
            if (depth == 1 + static_cast<int>(open.size())) open.pop_back();
        }
    }
    problem = "it has no <book> with <chapters>";
    return std::nullopt;
}

std::optional<std::string> EpubPackagePath(std::string_view containerXml, std::string& problem) {
    const Document document = Parse(containerXml, problem);
    if (!document) return std::nullopt;
    const xmlNode* rootfile = Child(Child(xmlDocGetRootElement(document.get()), "rootfiles"), "rootfile");
    const std::string path = rootfile ? Attribute(rootfile, "full-path") : "";
    if (path.empty()) {
        problem = "it names no package document (rootfile full-path)";
        return std::nullopt;
    }
    return path;
}

std::optional<EpubTables> EpubTablesOf(std::string_view packageXml, std::string& problem) {
    const Document document = Parse(packageXml, problem);
    if (!document) return std::nullopt;
    const xmlNode* package = xmlDocGetRootElement(document.get());
    const xmlNode* manifest = Child(package, "manifest");
    if (!Named(package, "package") || !manifest) {
        problem = "it has no <package> with a <manifest>";
        return std::nullopt;
    }
    EpubTables tables;
    const xmlNode* spine = Child(package, "spine");
    const std::string ncxId = spine ? Attribute(spine, "toc") : "";
    for (const xmlNode* item = manifest->children; item; item = item->next) {
        if (!Named(item, "item")) continue;
        const std::string properties = " " + Attribute(item, "properties") + " ";
        if (tables.nav.empty() && properties.find(" nav ") != std::string::npos) tables.nav = Attribute(item, "href");
        if (tables.ncx.empty() && !ncxId.empty() && Attribute(item, "id") == ncxId)
            tables.ncx = Attribute(item, "href");
    }
    return tables;
}

std::optional<std::vector<ListItem>> NcxNavMap(std::string_view xml, std::string& problem) {
    const Document document = Parse(xml, problem);
    if (!document) return std::nullopt;
    const xmlNode* navMap = Child(xmlDocGetRootElement(document.get()), "navMap");
    if (!navMap) {
        problem = "it has no <navMap>";
        return std::nullopt;
    }
    return ItemsOf(navMap, "navPoint", [](const xmlNode* point) {
        return ListItem{TextOf(Child(Child(point, "navLabel"), "text")), Attribute(Child(point, "content"), "src"), {}};
    });
}

}  // namespace contents
