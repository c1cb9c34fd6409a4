// Inside the binding: the widgets of a form's controls, built once per form.
#pragma once

#include <gtk/gtk.h>

#include "Forms.h"
#include "GtkBinding.h"

#include <vector>

namespace toolkit::gtk {

// The form's window with a widget for every control of its tree; built on
// the first call, the same window afterwards.
GtkWindow* WindowFor(TForm& form);

std::vector<WidgetFactory>& WidgetFactories();

// The window a dialog belongs to: the active one, else the last visible one.
GtkWindow* ActiveWindow();

}  // namespace toolkit::gtk
