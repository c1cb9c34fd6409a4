// json-glib's tree of each file, walked with its depth bounded: nesting is
// counted before json-glib (which recurses) sees the text.
#include "JsonTables.h"

#include "Contents.h"

#include <json-glib/json-glib.h>

#include <cctype>
#include <memory>
#include <set>

namespace contents {

namespace {

// Deeper brackets than a table of kMaxDepth levels needs are refused.
constexpr std::size_t kMaxNesting = 4 * kMaxDepth;

struct ParserUnref {
    void operator()(JsonParser* parser) const { g_object_unref(parser); }
};
using Parser = std::unique_ptr<JsonParser, ParserUnref>;

// Walks JSON text from `from`, strings left aside, and calls `reached(depth)`
// at each bracket with the depth it leaves. Gives the bracket's position
// where `reached` says to stop, else npos.
template <class Reached>
std::size_t WalkBrackets(std::string_view json, std::size_t from, Reached reached) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = from; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if ((c == '[' || c == '{') && reached(++depth)) {
            return i;
        } else if ((c == ']' || c == '}') && depth > 0 && reached(--depth)) {
            return i;
        }
    }
    return std::string_view::npos;
}

// How deep the brackets of JSON text nest.
std::size_t NestingOf(std::string_view json) {
    std::size_t deepest = 0;
    WalkBrackets(json, 0, [&](std::size_t depth) {
        deepest = std::max(deepest, depth);
        return false;
    });
    return deepest;
}

// The parsed text, or null with the problem.
Parser Parse(std::string_view json, std::string& problem) {
    if (NestingOf(json) > kMaxNesting) {
        problem = "it nests deeper than any table of contents";
        return nullptr;
    }
    Parser parser(json_parser_new());
    GError* error = nullptr;
    if (!json_parser_load_from_data(parser.get(), json.data(), static_cast<gssize>(json.size()), &error)) {
        problem = std::string("it is not valid JSON (") + (error ? error->message : "unreadable") + ")";
        g_clear_error(&error);
        return nullptr;
    }
    return parser;
}

std::string StringOf(JsonNode* node) {
    if (!node || !JSON_NODE_HOLDS_VALUE(node) || json_node_get_value_type(node) != G_TYPE_STRING) return {};
    const char* text = json_node_get_string(node);
    return text ? text : "";
}

// Text without the markup a title may carry ("<code>x</code>").
std::string WithoutTags(std::string_view text) {
    std::string plain;
    bool inTag = false;
    for (const char c : text) {
        if (c == '<')
            inTag = true;
        else if (c == '>' && inTag)
            inTag = false;
        else if (!inTag)
            plain += c;
    }
    return plain;
}

// The JSON array a JavaScript file assigns to `variable`: from the first
// '[' after "var VARIABLE =" to the bracket that closes it.
std::optional<std::string_view> AssignedArray(std::string_view script, std::string_view variable) {
    const std::string declared = "var " + std::string(variable);
    std::size_t var = script.find(declared);
    // Not a longer name that starts alike (NAVTREEINDEX for NAVTREE).
    while (var != std::string_view::npos && var + declared.size() < script.size() &&
           (std::isalnum(static_cast<unsigned char>(script[var + declared.size()])) ||
            script[var + declared.size()] == '_'))
        var = script.find(declared, var + 1);
    if (var == std::string_view::npos) return std::nullopt;
    const std::size_t open = script.find('[', var);
    if (open == std::string_view::npos) return std::nullopt;
    const std::size_t close = WalkBrackets(script, open, [](std::size_t depth) { return depth == 0; });
    if (close == std::string_view::npos) return std::nullopt;
    return script.substr(open, close - open + 1);
}

class NavTreeReader {
public:
    NavTreeReader(const NavTreePart& part, std::string& problem) : part_(part), problem_(problem) {}

    std::optional<std::vector<ListItem>> Read(std::string_view script, std::string_view variable, std::size_t depth) {
        const std::optional<std::string_view> array = AssignedArray(script, variable);
        if (!array) {
            problem_ = "it assigns no array to " + std::string(variable);
            return std::nullopt;
        }
        const Parser parser = Parse(*array, problem_);
        if (!parser) return std::nullopt;
        return Entries(json_parser_get_root(parser.get()), depth);
    }

private:
    std::optional<std::vector<ListItem>> Entries(JsonNode* node, std::size_t depth) {
        std::vector<ListItem> items;
        if (!node || JSON_NODE_TYPE(node) != JSON_NODE_ARRAY || depth >= kMaxDepth) return items;
        JsonArray* array = json_node_get_array(node);
        for (guint i = 0; i < json_array_get_length(array); ++i) {
            JsonNode* entry = json_array_get_element(array, i);
            if (JSON_NODE_TYPE(entry) != JSON_NODE_ARRAY || json_array_get_length(json_node_get_array(entry)) < 2) {
                problem_ = "an entry is not [title, link, children]";
                return std::nullopt;
            }
            JsonArray* fields = json_node_get_array(entry);
            ListItem item{WithoutTags(StringOf(json_array_get_element(fields, 0))),
                          StringOf(json_array_get_element(fields, 1)),
                          {}};
            JsonNode* children = json_array_get_length(fields) > 2 ? json_array_get_element(fields, 2) : nullptr;
            std::optional<std::vector<ListItem>> below = children && JSON_NODE_TYPE(children) == JSON_NODE_ARRAY
                                                             ? Entries(children, depth + 1)
                                                             : Part(StringOf(children), depth + 1);
            if (!below) return std::nullopt;
            item.children = std::move(*below);
            items.push_back(std::move(item));
        }
        return items;
    }

    // The entries of a part file, each part read once.
    std::optional<std::vector<ListItem>> Part(const std::string& name, std::size_t depth) {
        if (name.empty() || !read_.insert(name).second) return std::vector<ListItem>{};
        const std::optional<std::string> script = part_(name);
        if (!script) return std::vector<ListItem>{};
        return Read(*script, name, depth);
    }

    const NavTreePart& part_;
    std::string& problem_;
    std::set<std::string> read_;
};

std::optional<std::vector<ListItem>> Subsections(JsonObject* object, std::size_t depth, std::string& problem) {
    std::vector<ListItem> items;
    JsonNode* subsections = object ? json_object_get_member(object, "subsections") : nullptr;
    if (!subsections || depth >= kMaxDepth) return items;
    if (JSON_NODE_TYPE(subsections) != JSON_NODE_ARRAY) {
        problem = "its subsections are not a list";
        return std::nullopt;
    }
    JsonArray* array = json_node_get_array(subsections);
    for (guint i = 0; i < json_array_get_length(array); ++i) {
        JsonNode* node = json_array_get_element(array, i);
        JsonObject* tree = JSON_NODE_TYPE(node) == JSON_NODE_OBJECT ? json_node_get_object(node) : nullptr;
        JsonNode* sectionNode = tree ? json_object_get_member(tree, "section") : nullptr;
        if (!sectionNode || JSON_NODE_TYPE(sectionNode) != JSON_NODE_OBJECT) {
            problem = "a subsection has no section";
            return std::nullopt;
        }
        JsonObject* section = json_node_get_object(sectionNode);
        const std::string number = StringOf(json_object_get_member(section, "number"));
        const std::string title = WithoutTags(StringOf(json_object_get_member(section, "title")));
        ListItem item{
            number.empty() ? title : number + " " + title, StringOf(json_object_get_member(section, "path")), {}};
        std::optional<std::vector<ListItem>> below = Subsections(tree, depth + 1, problem);
        if (!below) return std::nullopt;
        item.children = std::move(*below);
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace

std::optional<std::vector<ListItem>> DoxygenNavTree(std::string_view navtreedata, const NavTreePart& part,
                                                    std::string& problem) {
    NavTreeReader reader(part, problem);
    std::optional<std::vector<ListItem>> tree = reader.Read(navtreedata, "NAVTREE", 0);
    if (!tree) return std::nullopt;
    if (tree->size() == 1) return std::move(tree->front().children);  // below the project's own entry
    return tree;
}

std::optional<std::vector<ListItem>> PandocSitemap(std::string_view json, std::string& problem) {
    const Parser parser = Parse(json, problem);
    if (!parser) return std::nullopt;
    JsonNode* root = json_parser_get_root(parser.get());
    if (!root || JSON_NODE_TYPE(root) != JSON_NODE_OBJECT) {
        problem = "it is no section tree";
        return std::nullopt;
    }
    return Subsections(json_node_get_object(root), 0, problem);
}

}  // namespace contents
