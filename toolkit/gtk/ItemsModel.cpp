// Each row is a Node, made the first time its parent's children are asked
// for and kept as long as the model, so an iterator's pointer stays valid
// (GTK_TREE_MODEL_ITERS_PERSIST).
#include "ItemsModel.h"

#include "GtkText.h"

#include <vector>

namespace toolkit::gtk {

namespace {

struct Node {
    Node* parent = nullptr;
    int index = 0;
    bool listed = false;  // children made
    std::vector<std::unique_ptr<Node>> children;
};

struct ZorbinItemsModel {
    GObject parent;
    std::shared_ptr<const TTreeItems>* items;
    Node* root;
    gint stamp;
};

struct ZorbinItemsModelClass {
    GObjectClass parent;
};

void InitInterface(GtkTreeModelIface* iface);

// Named for the program: GType names are shared by every library in the process.
G_DEFINE_TYPE_WITH_CODE(ZorbinItemsModel, zorbin_items_model, G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(GTK_TYPE_TREE_MODEL, InitInterface))

ZorbinItemsModel* Self(GtkTreeModel* model) { return reinterpret_cast<ZorbinItemsModel*>(model); }

TreePath PathOfNode(const Node* node) {
    TreePath path;
    for (; node->parent; node = node->parent) path.insert(path.begin(), node->index);
    return path;
}

const std::vector<std::unique_ptr<Node>>& Children(ZorbinItemsModel* self, Node* node) {
    if (!node->listed) {
        node->listed = true;
        const std::size_t count = (*self->items)->Count(PathOfNode(node));
        node->children.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            node->children.push_back(std::make_unique<Node>(Node{node, static_cast<int>(i), false, {}}));
    }
    return node->children;
}

Node* NodeOf(GtkTreeModel* model, GtkTreeIter* iter) {
    return iter ? static_cast<Node*>(iter->user_data) : Self(model)->root;
}

gboolean Set(GtkTreeModel* model, GtkTreeIter* iter, Node* node) {
    iter->stamp = Self(model)->stamp;
    iter->user_data = node;
    return node != nullptr;
}

Node* Nth(ZorbinItemsModel* self, Node* parent, int n) {
    const auto& children = Children(self, parent);
    return n >= 0 && static_cast<std::size_t>(n) < children.size() ? children[static_cast<std::size_t>(n)].get()
                                                                     : nullptr;
}

void InitInterface(GtkTreeModelIface* iface) {
    iface->get_flags = [](GtkTreeModel*) { return GTK_TREE_MODEL_ITERS_PERSIST; };
    iface->get_n_columns = [](GtkTreeModel*) { return 1; };
    iface->get_column_type = [](GtkTreeModel*, gint) { return G_TYPE_STRING; };
    iface->get_iter = [](GtkTreeModel* model, GtkTreeIter* iter, GtkTreePath* path) -> gboolean {
        Node* node = Self(model)->root;
        for (const int index : PathOf(path))
            if (!(node = Nth(Self(model), node, index))) return FALSE;
        return Set(model, iter, node);
    };
    iface->get_path = [](GtkTreeModel*, GtkTreeIter* iter) { return GtkPathOf(PathOfNode(NodeOf(nullptr, iter))); };
    iface->get_value = [](GtkTreeModel* model, GtkTreeIter* iter, gint, GValue* value) {
        g_value_init(value, G_TYPE_STRING);
        g_value_set_string(value, ToGtkText((*Self(model)->items)->Title(PathOfNode(NodeOf(model, iter)))).c_str());
    };
    iface->iter_next = [](GtkTreeModel* model, GtkTreeIter* iter) -> gboolean {
        Node* node = NodeOf(model, iter);
        return Set(model, iter, Nth(Self(model), node->parent, node->index + 1));
    };
    iface->iter_previous = [](GtkTreeModel* model, GtkTreeIter* iter) -> gboolean {
        Node* node = NodeOf(model, iter);
        return Set(model, iter, Nth(Self(model), node->parent, node->index - 1));
    };
    iface->iter_children = [](GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent) -> gboolean {
        return Set(model, iter, Nth(Self(model), NodeOf(model, parent), 0));
    };
    iface->iter_has_child = [](GtkTreeModel* model, GtkTreeIter* iter) -> gboolean {
        Node* node = NodeOf(model, iter);
        return node->listed ? !node->children.empty() : (*Self(model)->items)->Count(PathOfNode(node)) > 0;
    };
    iface->iter_n_children = [](GtkTreeModel* model, GtkTreeIter* iter) -> gint {
        return static_cast<gint>(Children(Self(model), NodeOf(model, iter)).size());
    };
    iface->iter_nth_child = [](GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* parent, gint n) -> gboolean {
        return Set(model, iter, Nth(Self(model), NodeOf(model, parent), n));
    };
    iface->iter_parent = [](GtkTreeModel* model, GtkTreeIter* iter, GtkTreeIter* child) -> gboolean {
        Node* parent = NodeOf(model, child)->parent;
        return Set(model, iter, parent && parent->parent ? parent : nullptr);
    };
}

void zorbin_items_model_init(ZorbinItemsModel* self) {
    self->items = new std::shared_ptr<const TTreeItems>();
    self->root = new Node();
    self->stamp = static_cast<gint>(g_random_int());
}

void zorbin_items_model_class_init(ZorbinItemsModelClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = [](GObject* object) {
        auto* self = reinterpret_cast<ZorbinItemsModel*>(object);
        delete self->items;
        delete self->root;
        G_OBJECT_CLASS(zorbin_items_model_parent_class)->finalize(object);
    };
}

}  // namespace

GtkTreeModel* NewItemsModel(std::shared_ptr<const TTreeItems> items) {
    auto* self = static_cast<ZorbinItemsModel*>(g_object_new(zorbin_items_model_get_type(), nullptr));
    *self->items = std::move(items);
    return GTK_TREE_MODEL(self);
}

TreePath PathOf(GtkTreePath* path) {
    const int depth = gtk_tree_path_get_depth(path);
    const int* indices = gtk_tree_path_get_indices(path);
    return TreePath(indices, indices + depth);
}

GtkTreePath* GtkPathOf(const TreePath& path) {
    return gtk_tree_path_new_from_indicesv(const_cast<int*>(path.data()), path.size());
}

}  // namespace toolkit::gtk
