// Binds each control of a form to its widgets (made by GtkBuilders) and
// keeps the two in step: the user's actions go to the model's setters, and
// the model's changes come back through the control's Observer. While a
// binding applies a model change its `updating` count is raised, so the
// signals that change causes are not taken for the user's; and a model change
// only touches the widget when the widget shows something else, so the user's
// own edit never comes back to it.
#include "GtkWidgets.h"

#include "GtkBuilders.h"
#include "GtkText.h"

#include <map>

namespace toolkit::gtk {

namespace {

std::map<const TControl*, Binding*>& Bindings() {
    static std::map<const TControl*, Binding*> bindings;
    return bindings;
}

class Quiet {
public:
    explicit Quiet(Binding& b) : b_(b) { ++b_.updating; }
    ~Quiet() { --b_.updating; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    Binding& b_;
};

bool BuildFromFactory(TControl& c, Binding& b) {
    if (dynamic_cast<TForm*>(&c)) return false;
    const auto& factories = WidgetFactories();
    for (auto it = factories.rbegin(); it != factories.rend(); ++it) {
        if (GtkWidget* widget = (*it)(c)) {
            b.outer = b.core = widget;
            return true;
        }
    }
    return false;
}

// ---- what every control has --------------------------------------------

void ApplyBounds(Binding& b) {
    const TControl& c = *b.control;
    if (GTK_IS_WINDOW(b.outer)) return;
    gtk_widget_set_size_request(b.outer, c.Width() > 0 ? c.Width() : -1, c.Height() > 0 ? c.Height() : -1);
    GtkWidget* parent = gtk_widget_get_parent(b.outer);
    if (parent && GTK_IS_FIXED(parent)) gtk_fixed_move(GTK_FIXED(parent), b.outer, c.Left(), c.Top());
}

void ApplyCommon(Binding& b, Prop p) {
    const TControl& c = *b.control;
    switch (p) {
        case Prop::Enabled: gtk_widget_set_sensitive(b.outer, c.Enabled()); break;
        case Prop::Visible:
            if (!GTK_IS_WINDOW(b.outer)) gtk_widget_set_visible(b.outer, c.Visible());
            break;
        case Prop::Hint: gtk_widget_set_tooltip_text(b.outer, OrNull(ToGtkText(c.Hint()))); break;
        case Prop::Bounds: ApplyBounds(b); break;
        case Prop::Style: ApplyTextStyle(b); break;
        case Prop::Focus: gtk_widget_grab_focus(b.core); break;
        default: break;
    }
}

void Apply(Binding& b, Prop p) {
    Quiet quiet(b);
    ApplyCommon(b, p);
    if (b.sync) b.sync(p);
    if (p == Prop::Caption || p == Prop::Picture) ApplyTextStyle(b);
}

// The whole state, in an order where items come before the selection in them.
void Refresh(Binding& b) {
    constexpr Prop kOrder[] = {Prop::Items,    Prop::ItemIndex,  Prop::Caption, Prop::Text,    Prop::Checked,
                               Prop::Range,    Prop::Position,   Prop::ReadOnly, Prop::Picture, Prop::ActivePage,
                               Prop::Enabled,  Prop::Visible,    Prop::Hint,    Prop::Bounds,  Prop::Style};
    for (Prop p : kOrder) Apply(b, p);
}

void OnModelChange(Binding& b, Prop p) {
    if (p == Prop::Destroyed) {
        Bindings().erase(b.control);
        b.control = nullptr;
        if (b.previous) b.previous(p);
        if (GTK_IS_WINDOW(b.outer)) gtk_widget_destroy(b.outer);  // frees b with it
        return;
    }
    Apply(b, p);
    if (b.previous) b.previous(p);
}

void OnWidgetDestroyed(GtkWidget*, gpointer data) {
    auto* b = static_cast<Binding*>(data);
    if (b->control) {
        Bindings().erase(b->control);
        b->control->Observer = std::move(b->previous);
        b->control = nullptr;
    }
    if (b->radioAnchor) {
        gtk_widget_destroy(b->radioAnchor);
        g_object_unref(b->radioAnchor);
        b->radioAnchor = nullptr;
    }
}

void Attach(Binding& b) {
    TControl& c = *b.control;
    Bindings()[&c] = &b;
    g_object_set_data_full(G_OBJECT(b.outer), "zorbin-binding", &b, [](gpointer p) { delete static_cast<Binding*>(p); });
    g_signal_connect(b.outer, "destroy", G_CALLBACK(OnWidgetDestroyed), &b);
    if (!c.TabStop) gtk_widget_set_can_focus(b.core, FALSE);
    if (c.HandCursor) SetHandCursor(b.outer);
    b.previous = std::move(c.Observer);
    c.Observer = [&b](Prop p) { OnModelChange(b, p); };
}

bool Accepts(const TControl& parent, const TControl& child) {
    if (dynamic_cast<const TForm*>(&child)) return false;  // a form is a window of its own
    return !dynamic_cast<const TPageControl*>(&parent) || dynamic_cast<const TTabSheet*>(&child);
}

// The second pane of a splitter is the main one: the focus goes there first.
void FocusSecondPaneFirst(GtkPaned* paned) {
    GList* chain = g_list_append(g_list_append(nullptr, gtk_paned_get_child2(paned)), gtk_paned_get_child1(paned));
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(paned), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);
}

void Pack(Binding& parent, Binding& child) {
    const TControl& c = *child.control;
    GtkWidget* into = parent.children;
    if (GTK_IS_NOTEBOOK(into)) {
        auto* sheet = static_cast<const TTabSheet*>(&c);
        GtkWidget* tab = gtk_label_new(ToGtkText(sheet->Caption()).c_str());
        gtk_widget_show(tab);
        gtk_notebook_append_page(GTK_NOTEBOOK(into), child.outer, tab);
        // The page shown or not as its tab is.
        if (parent.sync) parent.sync(Prop::Tabs);
    } else if (GTK_IS_PANED(into)) {
        // The first child keeps its width as the window grows; neither shrinks below its own.
        if (!gtk_paned_get_child1(GTK_PANED(into))) {
            gtk_paned_pack1(GTK_PANED(into), child.outer, FALSE, FALSE);
        } else {
            gtk_paned_pack2(GTK_PANED(into), child.outer, TRUE, FALSE);
            FocusSecondPaneFirst(GTK_PANED(into));
        }
    } else if (GTK_IS_FIXED(into)) {
        gtk_fixed_put(GTK_FIXED(into), child.outer, c.Left(), c.Top());
    } else {
        gtk_box_pack_start(GTK_BOX(into), child.outer, c.Expand, TRUE, 0);
        constexpr GtkAlign kAlign[] = {GTK_ALIGN_FILL, GTK_ALIGN_START, GTK_ALIGN_CENTER, GTK_ALIGN_END};
        const GtkAlign align = kAlign[static_cast<int>(c.CrossAlign)];
        if (gtk_orientable_get_orientation(GTK_ORIENTABLE(into)) == GTK_ORIENTATION_VERTICAL)
            gtk_widget_set_halign(child.outer, align);
        else
            gtk_widget_set_valign(child.outer, align);
    }
}

Binding& Build(TControl& c) {
    auto* b = new Binding{};
    b->control = &c;
    Quiet quiet(*b);
    const bool foreign = BuildFromFactory(c, *b);
    if (!foreign) BuildWidgets(c, *b);
    if (!GTK_IS_WINDOW(b->outer)) gtk_widget_show_all(b->outer);
    Attach(*b);
    if (auto* container = dynamic_cast<TWinControl*>(&c); container && b->children && !foreign)
        for (const auto& child : container->Children())
            if (Accepts(c, *child)) Pack(*b, Build(*child));
    Refresh(*b);
    return *b;
}

}  // namespace

Binding* BindingOf(const TControl* control) {
    auto found = Bindings().find(control);
    return found == Bindings().end() ? nullptr : found->second;
}

GtkWindow* WindowFor(TForm& form) {
    Binding* b = BindingOf(&form);
    return GTK_WINDOW(b ? b->outer : Build(form).outer);
}

std::vector<WidgetFactory>& WidgetFactories() {
    static std::vector<WidgetFactory> factories;
    return factories;
}

void AddWidgetFactory(WidgetFactory factory) { WidgetFactories().push_back(std::move(factory)); }

GtkWidget* WidgetOf(const TControl& control) {
    Binding* b = BindingOf(&control);
    return b ? b->core : nullptr;
}

GtkWindow* ActiveWindow() {
    GtkWindow* active = nullptr;
    GtkWindow* visible = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* it = windows; it; it = it->next) {
        GtkWindow* window = GTK_WINDOW(it->data);
        if (gtk_window_get_window_type(window) != GTK_WINDOW_TOPLEVEL || !gtk_widget_get_visible(GTK_WIDGET(window)))
            continue;
        visible = window;
        if (gtk_window_is_active(window)) active = window;
    }
    g_list_free(windows);
    return active ? active : visible;
}

}  // namespace toolkit::gtk
