// A GtkTreeModel over the model's TTreeItems: rows are made as the view
// asks for them and a title is asked for only when a row is drawn, so a
// tree of any length costs the view no more than the rows on screen.
#pragma once

#include "Controls.h"

#include <gtk/gtk.h>

#include <memory>

namespace toolkit::gtk {

// The items' tree as a GtkTreeModel of one column, the title (a string).
// The items do not change while the model lives: new items get a new model.
GtkTreeModel* NewItemsModel(std::shared_ptr<const TTreeItems> items);

// The model's path of an item of the tree.
TreePath PathOf(GtkTreePath* path);
GtkTreePath* GtkPathOf(const TreePath& path);

}  // namespace toolkit::gtk
