// The widgets of each kind of control the model has, made into a control's
// binding.
#pragma once

#include "GtkWidgets.h"

namespace toolkit::gtk {

// Makes the widgets of a control into `b` (outer, core and, for a container,
// children), connects the user's signals, and sets `sync`, through which the
// control's initial state comes too. A kind the binding does not know gets
// an empty box.
void BuildWidgets(TControl& c, Binding& b);

// Bold, underline and colour on the labels a leaf control shows; a link
// label is underlined in the theme's link colour unless it names another.
void ApplyTextStyle(Binding& b);

// The hand pointer over the widget while the mouse is on it.
void SetHandCursor(GtkWidget* widget);

}  // namespace toolkit::gtk
