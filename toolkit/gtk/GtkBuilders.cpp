// The widgets of each kind of control: one builder per kind makes them,
// connects the user's signals to the model's setters and sets the binding's
// `sync`, the control's own model-to-widget updates; and the text style every
// leaf control's labels take from the model.
#include "GtkBuilders.h"

#include "GtkText.h"
#include "ItemsModel.h"
#include "Pictures.h"

#include <algorithm>
#include <optional>
#include <string>

namespace toolkit::gtk {

namespace {

// ---- text style --------------------------------------------------------

GdkRGBA ThemeColour(GtkWidget* widget, Colour colour) {
    GdkRGBA rgba{0, 0, 0.5, 1};
    GtkStyleContext* style = gtk_widget_get_style_context(widget);
    switch (colour) {
        case Colour::Highlight:
            if (!gtk_style_context_lookup_color(style, "theme_selected_bg_color", &rgba))
                gdk_rgba_parse(&rgba, "#3584e4");
            break;
        case Colour::HotTrack:
            gtk_style_context_save(style);
            gtk_style_context_set_state(style, GTK_STATE_FLAG_LINK);
            gtk_style_context_get_color(style, GTK_STATE_FLAG_LINK, &rgba);
            gtk_style_context_restore(style);
            break;
        case Colour::Navy:
        case Colour::Default:
            gdk_rgba_parse(&rgba, "#000080");
            break;
    }
    return rgba;
}

bool IsLink(const TControl& c) {
    auto* label = dynamic_cast<const TLabel*>(&c);
    return label && label->IsLink;
}

void ForEachLabel(GtkWidget* widget, PangoAttrList* attrs) {
    if (GTK_IS_LABEL(widget)) gtk_label_set_attributes(GTK_LABEL(widget), attrs);
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget),
                             [](GtkWidget* child, gpointer data) { ForEachLabel(child, static_cast<PangoAttrList*>(data)); },
                             attrs);
}

// ---- shared pieces -----------------------------------------------------

// An event box around a widget that shows no button, so that a click on it
// raises the control's Click.
GtkWidget* ClickBox(GtkWidget* child, Binding& b) {
    GtkWidget* box = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), FALSE);
    gtk_container_add(GTK_CONTAINER(box), child);
    g_signal_connect(box, "button-release-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, gpointer d) -> gboolean {
                         if (e->button != 1) return FALSE;
                         if (auto* c = UserTarget<TControl>(d)) c->Click();
                         return FALSE;
                     }),
                     &b);
    return box;
}

GtkWidget* Scrolled(GtkWidget* child, GtkPolicyType horizontal, GtkPolicyType vertical, int minHeight) {
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), horizontal, vertical);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroll), GTK_SHADOW_IN);
    gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(scroll), minHeight);
    gtk_container_add(GTK_CONTAINER(scroll), child);
    return scroll;
}

GtkWidget* ChildrenBox(const TWinControl& c) {
    GtkWidget* box = c.Arrange == Layout::Fixed
                         ? gtk_fixed_new()
                         : gtk_box_new(c.Arrange == Layout::Row ? GTK_ORIENTATION_HORIZONTAL : GTK_ORIENTATION_VERTICAL,
                                       c.Spacing);
    gtk_container_set_border_width(GTK_CONTAINER(box), static_cast<guint>(std::max(c.Padding, 0)));
    return box;
}

void SyncButtonCaption(GtkWidget* button, const std::string& caption) {
    const std::string text = ToGtkText(caption);
    const char* shown = gtk_button_get_label(GTK_BUTTON(button));
    if (text != (shown ? shown : "")) gtk_button_set_label(GTK_BUTTON(button), OrNull(text));
}

void SyncToggle(GtkWidget* toggle, bool checked) {
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)) != checked)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), checked);
}

int SelectedRow(GtkTreeSelection* selection) {
    GtkTreeModel* model = nullptr;
    GtkTreeIter iter;
    if (!gtk_tree_selection_get_selected(selection, &model, &iter)) return -1;
    GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
    const int row = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    return row;
}

// The model's name of a key (see TShortcut).
std::string ShortcutKeyName(guint keyval) {
    switch (keyval) {
        case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: return "Page_Up";
        case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: return "Page_Down";
        case GDK_KEY_Left: case GDK_KEY_KP_Left: return "Left";
        case GDK_KEY_Right: case GDK_KEY_KP_Right: return "Right";
        case GDK_KEY_plus: case GDK_KEY_KP_Add: return "plus";
        case GDK_KEY_minus: case GDK_KEY_KP_Subtract: return "minus";
        case GDK_KEY_0: case GDK_KEY_KP_0: return "0";
        default: break;
    }
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return "F" + std::to_string(keyval - GDK_KEY_F1 + 1);
    const char* name = gdk_keyval_name(gdk_keyval_to_lower(keyval));
    return name ? name : "";
}

// A key press the form is offered: with Control or Alt held, or a function key.
std::optional<TShortcut> ShortcutOf(const GdkEventKey& e) {
    const bool control = e.state & GDK_CONTROL_MASK, alt = e.state & GDK_MOD1_MASK;
    if (!control && !alt && (e.keyval < GDK_KEY_F1 || e.keyval > GDK_KEY_F24)) return std::nullopt;
    return TShortcut{ShortcutKeyName(e.keyval), control, alt, (e.state & GDK_SHIFT_MASK) != 0};
}

// Taking the focus makes GTK select the cursor row; our lists and trees
// only select what the user or the model picks.
void SelectOnlyWhatIsPicked(GtkTreeView* view) {
    g_signal_connect(view, "grab-focus", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                         g_object_set_data(G_OBJECT(w), "zorbin-focusing", GINT_TO_POINTER(1));
                     }),
                     nullptr);
    g_signal_connect_after(view, "grab-focus", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                               g_object_set_data(G_OBJECT(w), "zorbin-focusing", nullptr);
                           }),
                           nullptr);
    gtk_tree_selection_set_select_function(
        gtk_tree_view_get_selection(view),
        [](GtkTreeSelection* s, GtkTreeModel*, GtkTreePath*, gboolean, gpointer) -> gboolean {
            return !g_object_get_data(G_OBJECT(gtk_tree_selection_get_tree_view(s)), "zorbin-focusing");
        },
        nullptr, nullptr);
}

// ---- one builder per kind of control -----------------------------------
// Each makes the widgets, connects the user's signals and sets `sync`, the
// control's own model-to-widget updates; the initial state comes through
// `sync` too.

void BuildForm(TForm& c, Binding& b) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget* box = ChildrenBox(c);
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_widget_show(box);
    gtk_window_set_resizable(GTK_WINDOW(window), c.Resizable);
    if (c.Dialog) gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    const int width = c.ClientWidth > 0 ? c.ClientWidth : -1, height = c.ClientHeight > 0 ? c.ClientHeight : -1;
    // A fixed-size window takes its content's size: the client size is then a floor.
    if (c.Resizable)
        gtk_window_set_default_size(GTK_WINDOW(window), width, height);
    else
        gtk_widget_set_size_request(box, width, height);
    gtk_window_set_position(GTK_WINDOW(window), c.CentreOnOwner    ? GTK_WIN_POS_CENTER_ON_PARENT
                                                : c.CentreOnScreen ? GTK_WIN_POS_CENTER
                                                                   : GTK_WIN_POS_NONE);
    if (c.Maximized) gtk_window_maximize(GTK_WINDOW(window));
    // The title bar's close box asks the model; the model hides or ends.
    g_signal_connect(window, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer d) -> gboolean {
                         if (auto* form = UserTarget<TForm>(d)) form->Close();
                         return TRUE;
                     }),
                     &b);
    // The form knows the size the user gave its window and whether it is
    // maximized, to keep them; a maximized window keeps its size from before.
    g_signal_connect(window, "configure-event", G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer d) -> gboolean {
                         auto* form = UserTarget<TForm>(d);
                         if (form && !form->Maximized)
                             gtk_window_get_size(GTK_WINDOW(w), &form->ClientWidth, &form->ClientHeight);
                         return FALSE;
                     }),
                     &b);
    g_signal_connect(window, "window-state-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventWindowState* e, gpointer d) -> gboolean {
                         if (auto* form = UserTarget<TForm>(d))
                             form->Maximized = e->new_window_state & GDK_WINDOW_STATE_MAXIMIZED;
                         return FALSE;
                     }),
                     &b);
    // Before the focused widget sees the key: the form's shortcuts come first.
    g_signal_connect(window, "key-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, gpointer d) -> gboolean {
                         auto* form = UserTarget<TForm>(d);
                         const std::optional<TShortcut> shortcut = ShortcutOf(*e);
                         return form && shortcut && form->Shortcut(*shortcut);
                     }),
                     &b);
    b.outer = b.core = window;
    b.children = box;
    b.sync = [&c, window](Prop p) {
        if (p == Prop::Caption) gtk_window_set_title(GTK_WINDOW(window), ToGtkText(c.Caption()).c_str());
        if (p == Prop::Visible && !c.Visible()) gtk_widget_hide(window);
    };
}

void BuildContainer(TWinControl& c, Binding& b) { b.outer = b.core = b.children = ChildrenBox(c); }

void BuildGroupBox(TGroupBox& c, Binding& b) {
    GtkWidget* frame = gtk_frame_new(nullptr);
    b.children = ChildrenBox(c);
    gtk_container_add(GTK_CONTAINER(frame), b.children);
    b.outer = b.core = frame;
    b.sync = [&c, frame](Prop p) {
        if (p == Prop::Caption) gtk_frame_set_label(GTK_FRAME(frame), OrNull(ToGtkText(c.Caption())));
    };
}

// Tabs whose sheet hides them are not shown; with none left, the tab row
// goes. GTK shows the tab of every page it shows, so a page whose tab is
// hidden is hidden whole, but for the active page, which must show.
void SyncTabs(const TPageControl& c, GtkNotebook* notebook) {
    bool anyTab = false;
    const auto pages = c.Pages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        GtkWidget* child = gtk_notebook_get_nth_page(notebook, static_cast<int>(i));
        if (!child) continue;
        const bool shown = pages[i]->TabVisible() || static_cast<int>(i) == c.ActivePageIndex();
        gtk_widget_set_visible(child, shown);
        if (GtkWidget* label = gtk_notebook_get_tab_label(notebook, child)) gtk_widget_set_visible(label, shown);
        anyTab = anyTab || pages[i]->TabVisible();
    }
    gtk_notebook_set_show_tabs(notebook, anyTab);
}

void BuildPageControl(TPageControl& c, Binding& b) {
    GtkWidget* notebook = gtk_notebook_new();
    g_signal_connect_after(notebook, "switch-page", G_CALLBACK(+[](GtkNotebook*, GtkWidget*, guint page, gpointer d) {
                               if (auto* pc = UserTarget<TPageControl>(d)) pc->SetActivePageIndex(static_cast<int>(page));
                           }),
                           &b);
    b.outer = b.core = b.children = notebook;
    b.sync = [&c, notebook](Prop p) {
        if (p != Prop::ActivePage && p != Prop::Tabs) return;
        // The page to show is shown first, then made current, then the
        // others are hidden: the notebook never moves off a hidden page itself.
        if (GtkWidget* active = gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), c.ActivePageIndex()))
            gtk_widget_show(active);
        if (gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook)) != c.ActivePageIndex())
            gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), c.ActivePageIndex());
        SyncTabs(c, GTK_NOTEBOOK(notebook));
    };
}

void BuildLabel(TLabel& c, Binding& b) {
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    if (c.WordWrap) gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    b.core = label;
    b.outer = ClickBox(label, b);
    if (c.IsLink) SetHandCursor(b.outer);
    b.sync = [&c, label](Prop p) {
        if (p == Prop::Caption) gtk_label_set_text(GTK_LABEL(label), ToGtkText(c.Caption()).c_str());
    };
}

void BuildButton(TButton& c, Binding& b) {
    GtkWidget* button = gtk_button_new();
    if (c.Flat) {
        gtk_button_set_relief(GTK_BUTTON(button), GTK_RELIEF_NONE);
        gtk_widget_set_focus_on_click(button, FALSE);
    }
    g_signal_connect(button, "clicked", G_CALLBACK(+[](GtkButton*, gpointer d) {
                         if (auto* control = UserTarget<TButton>(d)) control->Click();
                     }),
                     &b);
    b.outer = b.core = button;
    b.sync = [&c, button](Prop p) {
        if (p == Prop::Caption) SyncButtonCaption(button, c.Caption());
        if (p != Prop::Picture) return;
        GdkPixbuf* picture = Picture(c.Picture(), ButtonPictureSize(c.Picture()));
        gtk_button_set_image(GTK_BUTTON(button), picture ? gtk_image_new_from_pixbuf(picture) : nullptr);
        gtk_button_set_image_position(GTK_BUTTON(button), c.PictureAbove ? GTK_POS_TOP : GTK_POS_LEFT);
        gtk_button_set_always_show_image(GTK_BUTTON(button), picture != nullptr);
    };
}

void BuildEdit(TEdit& c, Binding& b) {
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_has_frame(GTK_ENTRY(entry), c.Border);
    if (c.MaxLength) gtk_entry_set_max_length(GTK_ENTRY(entry), static_cast<gint>(std::min<std::size_t>(c.MaxLength, 65535)));
    g_signal_connect(entry, "changed", G_CALLBACK(+[](GtkEditable* e, gpointer d) {
                         if (auto* edit = UserTarget<TEdit>(d)) edit->SetText(gtk_entry_get_text(GTK_ENTRY(e)));
                     }),
                     &b);
    b.outer = b.core = entry;
    b.sync = [&c, entry](Prop p) {
        if (p == Prop::Text) {
            const std::string text = ToGtkText(c.Text());
            if (text != gtk_entry_get_text(GTK_ENTRY(entry))) gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
        }
        if (p == Prop::ReadOnly) gtk_editable_set_editable(GTK_EDITABLE(entry), !c.ReadOnly());
    };
}

std::string BufferText(GtkTextBuffer* buffer) {
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
    std::string result(text);
    g_free(text);
    return result;
}

void BuildMemo(TMemo& c, Binding& b) {
    GtkWidget* view = gtk_text_view_new();
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), c.WordWrap ? GTK_WRAP_WORD_CHAR : GTK_WRAP_NONE);
    gtk_text_view_set_justification(GTK_TEXT_VIEW(view), c.Centered ? GTK_JUSTIFY_CENTER : GTK_JUSTIFY_LEFT);
    gtk_text_view_set_left_margin(GTK_TEXT_VIEW(view), 4);
    gtk_text_view_set_right_margin(GTK_TEXT_VIEW(view), 4);
    gtk_text_view_set_top_margin(GTK_TEXT_VIEW(view), 2);
    gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(view), FALSE);
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    g_signal_connect(buffer, "changed", G_CALLBACK(+[](GtkTextBuffer* buf, gpointer d) {
                         if (auto* memo = UserTarget<TMemo>(d)) memo->SetText(ToModelText(BufferText(buf).c_str()));
                     }),
                     &b);
    b.core = view;
    b.outer = Scrolled(view, c.WordWrap ? GTK_POLICY_NEVER : GTK_POLICY_AUTOMATIC,
                       c.VerticalScrollBar ? GTK_POLICY_ALWAYS : GTK_POLICY_AUTOMATIC, 48);
    if (!c.Border) gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(b.outer), GTK_SHADOW_NONE);
    // A memo with a scroll bar shows it all the time, not only while scrolling.
    if (c.VerticalScrollBar) gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(b.outer), FALSE);
    b.sync = [&c, view, buffer](Prop p) {
        if (p == Prop::Text) {
            const std::string text = ToGtkText(c.Text());
            if (text != BufferText(buffer)) gtk_text_buffer_set_text(buffer, text.c_str(), static_cast<gint>(text.size()));
        }
        if (p == Prop::ReadOnly) {
            gtk_text_view_set_editable(GTK_TEXT_VIEW(view), !c.ReadOnly());
            gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), !c.ReadOnly());
        }
    };
}

void BuildCheckBox(TCheckBox& c, Binding& b) {
    GtkWidget* check = gtk_check_button_new_with_label("");
    g_signal_connect(check, "toggled", G_CALLBACK(+[](GtkToggleButton* t, gpointer d) {
                         if (auto* box = UserTarget<TCheckBox>(d)) box->SetChecked(gtk_toggle_button_get_active(t));
                     }),
                     &b);
    b.outer = b.core = check;
    b.sync = [&c, check](Prop p) {
        if (p == Prop::Caption) SyncButtonCaption(check, c.Caption());
        if (p == Prop::Checked) SyncToggle(check, c.Checked());
    };
}

// The radio buttons of one parent share a GTK group with a hidden member,
// which is the active one while the model has none of them checked.
GtkWidget* RadioAnchor(const TControl& radio) {
    Binding* parent = BindingOf(radio.Parent());
    if (!parent) return nullptr;
    if (!parent->radioAnchor) parent->radioAnchor = GTK_WIDGET(g_object_ref_sink(gtk_radio_button_new(nullptr)));
    return parent->radioAnchor;
}

void BuildRadioButton(TRadioButton& c, Binding& b) {
    GtkWidget* anchor = RadioAnchor(c);
    GtkWidget* radio = gtk_radio_button_new_with_label_from_widget(anchor ? GTK_RADIO_BUTTON(anchor) : nullptr, "");
    g_signal_connect(radio, "toggled", G_CALLBACK(+[](GtkToggleButton* t, gpointer d) {
                         if (!gtk_toggle_button_get_active(t)) return;  // the model unchecks the others itself
                         if (auto* button = UserTarget<TRadioButton>(d)) button->SetChecked(true);
                     }),
                     &b);
    b.outer = b.core = radio;
    b.sync = [&c, radio, anchor](Prop p) {
        if (p == Prop::Caption) SyncButtonCaption(radio, c.Caption());
        if (p != Prop::Checked) return;
        if (c.Checked())
            SyncToggle(radio, true);
        else if (anchor && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(radio)))
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(anchor), TRUE);
    };
}

void BuildListBox(TListBox& c, Binding& b) {
    GtkListStore* store = gtk_list_store_new(1, G_TYPE_STRING);
    GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(view), FALSE);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(view), -1, nullptr, gtk_cell_renderer_text_new(), "text", 0,
                                                nullptr);
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
    SelectOnlyWhatIsPicked(GTK_TREE_VIEW(view));
    g_signal_connect(selection, "changed", G_CALLBACK(+[](GtkTreeSelection* s, gpointer d) {
                         if (auto* list = UserTarget<TListBox>(d)) list->SetItemIndex(SelectedRow(s));
                     }),
                     &b);
    b.core = view;
    b.outer = Scrolled(view, GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC, 64);
    b.sync = [&c, view, store, selection](Prop p) {
        if (p == Prop::Items) {
            gtk_list_store_clear(store);
            for (const std::string& item : c.Items())
                gtk_list_store_insert_with_values(store, nullptr, -1, 0, ToGtkText(item).c_str(), -1);
        }
        if ((p != Prop::Items && p != Prop::ItemIndex) || SelectedRow(selection) == c.ItemIndex()) return;
        if (c.ItemIndex() < 0) {
            gtk_tree_selection_unselect_all(selection);
            return;
        }
        GtkTreePath* path = gtk_tree_path_new_from_indices(c.ItemIndex(), -1);
        gtk_tree_selection_select_path(selection, path);
        gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(view), path, nullptr, FALSE, 0, 0);
        gtk_tree_path_free(path);
    };
}

void BuildComboBox(TComboBox& c, Binding& b) {
    GtkWidget* combo = gtk_combo_box_text_new_with_entry();
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(combo));
    // Choosing an entry sets the text and the index together (one OnChange);
    // typing sets the text, and GTK has then dropped the index already.
    g_signal_connect(entry, "changed", G_CALLBACK(+[](GtkEditable* e, gpointer d) {
                         auto* box = UserTarget<TComboBox>(d);
                         if (!box) return;
                         const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(static_cast<Binding*>(d)->core));
                         if (active >= 0 && active != box->ItemIndex())
                             box->SetItemIndex(active);
                         else
                             box->SetText(gtk_entry_get_text(GTK_ENTRY(e)));
                     }),
                     &b);
    g_signal_connect(combo, "changed", G_CALLBACK(+[](GtkComboBox* cb, gpointer d) {
                         if (auto* box = UserTarget<TComboBox>(d)) box->SetItemIndex(gtk_combo_box_get_active(cb));
                     }),
                     &b);
    if (c.DropDownWhileTyping) {
        GtkEntryCompletion* completion = gtk_entry_completion_new();
        gtk_entry_completion_set_model(completion, gtk_combo_box_get_model(GTK_COMBO_BOX(combo)));
        gtk_entry_completion_set_text_column(completion, 0);
        gtk_entry_completion_set_minimum_key_length(completion, 1);
        gtk_entry_set_completion(GTK_ENTRY(entry), completion);
        g_object_unref(completion);
    }
    b.outer = b.core = combo;
    b.sync = [&c, combo, entry](Prop p) {
        if (p == Prop::Items) {
            gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(combo));
            for (const std::string& item : c.Items())
                gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), ToGtkText(item).c_str());
        }
        if ((p == Prop::Items || p == Prop::ItemIndex) && gtk_combo_box_get_active(GTK_COMBO_BOX(combo)) != c.ItemIndex())
            gtk_combo_box_set_active(GTK_COMBO_BOX(combo), c.ItemIndex());
        if (p == Prop::Items || p == Prop::Text) {
            const std::string text = ToGtkText(c.Text());
            if (text != gtk_entry_get_text(GTK_ENTRY(entry))) gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
        }
    };
}

void BuildImage(TImage& c, Binding& b) {
    GtkWidget* image = gtk_image_new();
    b.core = image;
    b.outer = ClickBox(image, b);
    b.sync = [&c, image](Prop p) {
        if (p != Prop::Picture && p != Prop::Bounds) return;
        // A picture fills the bounds the form gives it, else shows at its own size.
        const int size = c.Width() > 0 && c.Height() > 0 ? std::max(c.Width(), c.Height()) : 0;
        gtk_image_set_from_pixbuf(GTK_IMAGE(image), Picture(c.Picture(), size));
    };
}

void BuildBevel(TBevel&, Binding& b) { b.outer = b.core = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL); }

void BuildProgressBar(TProgressBar& c, Binding& b) {
    GtkWidget* bar = gtk_progress_bar_new();
    b.outer = b.core = bar;
    b.sync = [&c, bar](Prop p) {
        if (p != Prop::Position && p != Prop::Range) return;
        const int span = c.Max() - c.Min();
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), span > 0 ? double(c.Position() - c.Min()) / span : 0.0);
    };
}

// ---- the tree view: rows made as the view asks for them ---------------

// Opens the branches down to the selected item, selects it and scrolls it
// into view; nothing selected when the model's path is not in the tree.
void ShowSelected(const TTreeView& c, GtkTreeView* view) {
    GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
    GtkTreeIter iter;
    GtkTreePath* path = c.Selected().empty() ? nullptr : GtkPathOf(c.Selected());
    if (!path || !gtk_tree_model_get_iter(gtk_tree_view_get_model(view), &iter, path)) {
        gtk_tree_selection_unselect_all(selection);
        if (path) gtk_tree_path_free(path);
        return;
    }
    if (gtk_tree_path_get_depth(path) > 1) {
        GtkTreePath* parent = gtk_tree_path_copy(path);
        gtk_tree_path_up(parent);
        gtk_tree_view_expand_to_path(view, parent);
        gtk_tree_path_free(parent);
    }
    gtk_tree_view_set_cursor(view, path, nullptr, FALSE);
    gtk_tree_view_scroll_to_cell(view, path, nullptr, FALSE, 0, 0);
    gtk_tree_path_free(path);
}

// The items of a tree view that has none.
struct NoItems : TTreeItems {
    std::size_t Count(const TreePath&) const override { return 0; }
    std::string Title(const TreePath&) const override { return {}; }
};

void BuildTreeView(TTreeView& c, Binding& b) {
    GtkWidget* view = gtk_tree_view_new();
    GtkTreeView* tree = GTK_TREE_VIEW(view);
    gtk_tree_view_set_headers_visible(tree, FALSE);
    GtkCellRenderer* text = gtk_cell_renderer_text_new();
    g_object_set(text, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
    GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(nullptr, text, "text", 0, nullptr);
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_expand(column, TRUE);
    gtk_tree_view_append_column(tree, column);
    // Rows of one height are laid out without measuring each: long trees open at once.
    gtk_tree_view_set_fixed_height_mode(tree, TRUE);
    gtk_tree_view_set_tooltip_column(tree, 0);
    gtk_tree_view_set_enable_search(tree, TRUE);
    gtk_tree_view_set_search_column(tree, 0);
    gtk_tree_view_set_activate_on_single_click(tree, TRUE);
    SelectOnlyWhatIsPicked(tree);
    // Named through the property: the viewer links no ATK function, only the libraries its readers are promised.
    if (!c.AccessibleName.empty())
        g_object_set(gtk_widget_get_accessible(view), "accessible-name", c.AccessibleName.c_str(), nullptr);
    g_signal_connect(gtk_tree_view_get_selection(tree), "changed", G_CALLBACK(+[](GtkTreeSelection* s, gpointer d) {
                         GtkTreeModel* model = nullptr;
                         GtkTreeIter iter;
                         auto* control = UserTarget<TTreeView>(d);
                         if (!control || !gtk_tree_selection_get_selected(s, &model, &iter)) return;
                         GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
                         control->SetSelected(PathOf(path));
                         gtk_tree_path_free(path);
                     }),
                     &b);
    g_signal_connect(view, "row-activated", G_CALLBACK(+[](GtkTreeView*, GtkTreePath* path, GtkTreeViewColumn*, gpointer d) {
                         if (auto* control = UserTarget<TTreeView>(d)) control->Activate(PathOf(path));
                     }),
                     &b);
    b.core = view;
    b.outer = Scrolled(view, GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC, 64);
    b.sync = [&c, tree](Prop p) {
        if (p == Prop::Items) {
            GtkTreeModel* model = NewItemsModel(c.Items() ? c.Items() : std::make_shared<const NoItems>());
            gtk_tree_view_set_model(tree, model);
            g_object_unref(model);
        }
        if (p == Prop::Items || p == Prop::ItemIndex) ShowSelected(c, tree);
    };
}

void BuildSplitter(TSplitter& c, Binding& b) {
    GtkWidget* paned = gtk_paned_new(GTK_ORIENTATION_HORIZONTAL);
    g_signal_connect(paned, "notify::position", G_CALLBACK(+[](GObject* o, GParamSpec*, gpointer d) {
                         if (auto* splitter = UserTarget<TSplitter>(d)) splitter->SetPosition(gtk_paned_get_position(GTK_PANED(o)));
                     }),
                     &b);
    b.outer = b.core = b.children = paned;
    b.sync = [&c, paned](Prop p) {
        if (p == Prop::Position && gtk_paned_get_position(GTK_PANED(paned)) != c.Position())
            gtk_paned_set_position(GTK_PANED(paned), c.Position());
    };
}

void BuildUnknown(TControl&, Binding& b) { b.outer = b.core = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0); }

// Most derived kinds first: a memo is an edit, a form and a group box are containers.
template <class T, void (*Build)(T&, Binding&)>
bool Try(TControl& c, Binding& b) {
    auto* control = dynamic_cast<T*>(&c);
    if (control) Build(*control, b);
    return control != nullptr;
}
constexpr bool (*kBuilders[])(TControl&, Binding&) = {
    Try<TForm, BuildForm>,          Try<TPageControl, BuildPageControl>, Try<TGroupBox, BuildGroupBox>,
    Try<TSplitter, BuildSplitter>,  Try<TWinControl, BuildContainer>,  Try<TMemo, BuildMemo>,
    Try<TEdit, BuildEdit>,          Try<TTreeView, BuildTreeView>,
    Try<TLabel, BuildLabel>,        Try<TButton, BuildButton>,           Try<TCheckBox, BuildCheckBox>,
    Try<TRadioButton, BuildRadioButton>, Try<TListBox, BuildListBox>,    Try<TComboBox, BuildComboBox>,
    Try<TImage, BuildImage>,        Try<TBevel, BuildBevel>,             Try<TProgressBar, BuildProgressBar>,
    Try<TControl, BuildUnknown>,
};

}  // namespace

void ApplyTextStyle(Binding& b) {
    const TControl& c = *b.control;
    if (dynamic_cast<const TWinControl*>(&c)) return;
    const bool underline = c.Underline || IsLink(c);
    const Colour colour = c.FontColour == Colour::Default && IsLink(c) ? Colour::HotTrack : c.FontColour;
    if (!c.Bold && !underline && colour == Colour::Default) return;
    PangoAttrList* attrs = pango_attr_list_new();
    if (c.Bold) pango_attr_list_insert(attrs, pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    if (underline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (colour != Colour::Default) {
        const GdkRGBA rgba = ThemeColour(b.core, colour);
        auto channel = [](double v) { return static_cast<guint16>(std::clamp(v, 0.0, 1.0) * 65535); };
        pango_attr_list_insert(attrs, pango_attr_foreground_new(channel(rgba.red), channel(rgba.green), channel(rgba.blue)));
    }
    ForEachLabel(b.core, attrs);
    pango_attr_list_unref(attrs);
}

void SetHandCursor(GtkWidget* widget) {
    gtk_widget_add_events(widget, GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
    g_signal_connect(widget, "enter-notify-event", G_CALLBACK(+[](GtkWidget* w, GdkEventCrossing* e, gpointer) -> gboolean {
                         GdkCursor* hand = gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer");
                         gdk_window_set_cursor(e->window, hand);
                         if (hand) g_object_unref(hand);
                         return FALSE;
                     }),
                     nullptr);
    g_signal_connect(widget, "leave-notify-event", G_CALLBACK(+[](GtkWidget*, GdkEventCrossing* e, gpointer) -> gboolean {
                         gdk_window_set_cursor(e->window, nullptr);
                         return FALSE;
                     }),
                     nullptr);
}

void BuildWidgets(TControl& c, Binding& b) {
    for (auto builder : kBuilders)
        if (builder(c, b)) break;
}

}  // namespace toolkit::gtk
