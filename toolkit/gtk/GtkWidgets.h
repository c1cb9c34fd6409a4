// Inside the binding: the widgets of a form's controls, built once per form,
// and the record that binds each control to its widgets.
#pragma once

#include <gtk/gtk.h>

#include "Forms.h"
#include "GtkBinding.h"

#include <functional>
#include <vector>

namespace toolkit::gtk {

// One control and its widgets; it lives as long as the outer widget.
struct Binding {
    TControl* control = nullptr;         // null once the control is gone
    GtkWidget* outer = nullptr;          // what the parent holds
    GtkWidget* core = nullptr;           // what carries the behaviour
    GtkWidget* children = nullptr;       // where a container's children go
    GtkWidget* radioAnchor = nullptr;    // hidden member of the children's radio group: "none checked"
    std::function<void(Prop)> sync;      // the control's own model-to-widget updates
    std::function<void(Prop)> previous;  // the observer that was there before ours
    int updating = 0;
};

// The binding of a control that has widgets, else null.
Binding* BindingOf(const TControl* control);

// The control a widget signal is for, when the signal is the user's doing
// and the control still exists; null otherwise. `data` is the Binding the
// signal was connected with.
template <class T>
T* UserTarget(gpointer data) {
    auto* b = static_cast<Binding*>(data);
    return b->control && b->updating == 0 ? static_cast<T*>(b->control) : nullptr;
}

// The form's window with a widget for every control of its tree; built on
// the first call, the same window afterwards.
GtkWindow* WindowFor(TForm& form);

std::vector<WidgetFactory>& WidgetFactories();

// The window a dialog belongs to: the active one, else the last visible one.
GtkWindow* ActiveWindow();

}  // namespace toolkit::gtk
