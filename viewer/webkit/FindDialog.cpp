// The find dialog over a web view.
#include "FindDialog.h"

#include "BookResults.h"

#include <gdk/gdkkeysyms.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <string>

namespace viewer::webkit {

namespace {

enum Response { kFindNext = 1, kFindPrevious = 2 };

// How long typing may pause before the whole book is searched.
constexpr unsigned kTypingPauseMs = 250;

// The size the dialog first takes with the results, where the screen has room.
constexpr int kResultsWidth = 640;
constexpr int kResultsHeight = 600;

GtkWidget* NamedWidget(GtkWidget* widget, const char* name) {
    gtk_widget_set_name(widget, name);
    return widget;
}

// The monitor a window is on: that of `parent` when it is shown, else the
// primary one, else the first.
GdkMonitor* MonitorOf(GtkWidget* parent) {
    GdkDisplay* display = parent ? gtk_widget_get_display(parent) : gdk_display_get_default();
    GdkWindow* window = parent ? gtk_widget_get_window(parent) : nullptr;
    GdkMonitor* monitor = window ? gdk_display_get_monitor_at_window(display, window) : nullptr;
    if (!monitor) monitor = gdk_display_get_primary_monitor(display);
    return monitor ? monitor : gdk_display_get_monitor(display, 0);
}

// Keeps the dialog within the work area of its parent's monitor; with the
// results (a resizable dialog), it first opens with room for a few of them.
void FitMonitor(GtkWindow* dialog, GtkWidget* parent) {
    GdkMonitor* monitor = MonitorOf(parent);
    if (!monitor) return;
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    GdkGeometry limits{};
    limits.max_width = area.width;
    limits.max_height = area.height;
    gtk_window_set_geometry_hints(dialog, nullptr, &limits, GDK_HINT_MAX_SIZE);
    if (gtk_window_get_resizable(dialog))
        gtk_window_set_default_size(dialog, std::min(kResultsWidth, area.width), std::min(kResultsHeight, area.height));
}

}  // namespace

FindDialog::FindDialog(WebKitWebView* view, std::shared_ptr<const book::Book> book)
    : view_(view),
      finder_(Adopt(WEBKIT_FIND_CONTROLLER(g_object_ref(webkit_web_view_get_find_controller(view))))),
      dialog_(RefSink(gtk_dialog_new())),
      entry_(NamedWidget(gtk_entry_new(), "find-text")),
      matchCase_(NamedWidget(gtk_check_button_new_with_mnemonic("Match _case"), "find-match-case")),
      notFound_(NamedWidget(gtk_label_new("Text not found."), "find-not-found")) {
    gtk_window_set_title(GTK_WINDOW(dialog_.get()), "Find");
    gtk_window_set_resizable(GTK_WINDOW(dialog_.get()), FALSE);
    gtk_window_set_destroy_with_parent(GTK_WINDOW(dialog_.get()), FALSE);
    gtk_widget_set_name(gtk_dialog_add_button(GTK_DIALOG(dialog_.get()), "Find _Previous", kFindPrevious), "find-previous");
    gtk_widget_set_name(gtk_dialog_add_button(GTK_DIALOG(dialog_.get()), "Find _Next", kFindNext), "find-next");
    gtk_widget_set_name(gtk_dialog_add_button(GTK_DIALOG(dialog_.get()), "_Close", GTK_RESPONSE_CLOSE), "find-close");
    gtk_dialog_set_default_response(GTK_DIALOG(dialog_.get()), kFindNext);
    gtk_entry_set_activates_default(GTK_ENTRY(entry_), TRUE);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 8);
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_pack_start(GTK_BOX(row), gtk_label_new_with_mnemonic("Fi_nd what:"), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), entry_, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), row, FALSE, FALSE, 0);
    const bool hasIndex = BookResults::BookHasIndex(book.get());
    const std::string unsearchable = hasIndex ? BookResults::WhyNotSearchable() : std::string();
    if (!unsearchable.empty()) {
        GtkWidget* why = NamedWidget(gtk_label_new(unsearchable.c_str()), "find-book-unavailable");
        gtk_label_set_xalign(GTK_LABEL(why), 0);
        gtk_label_set_line_wrap(GTK_LABEL(why), TRUE);
        gtk_label_set_max_width_chars(GTK_LABEL(why), 50);
        gtk_box_pack_start(GTK_BOX(box), why, FALSE, FALSE, 0);
    } else if (hasIndex) {
        GtkWidget* scope = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
        GtkWidget* thisPage = NamedWidget(gtk_radio_button_new_with_mnemonic(nullptr, "This _page"), "find-this-page");
        wholeBook_ = NamedWidget(gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(thisPage), "_Whole book"),
                                 "find-whole-book");
        gtk_box_pack_start(GTK_BOX(scope), thisPage, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(scope), wholeBook_, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), scope, FALSE, FALSE, 0);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(wholeBook_), TRUE);
        results_ = std::make_unique<BookResults>(view_, book);
        gtk_window_set_resizable(GTK_WINDOW(dialog_.get()), TRUE);
    }
    gtk_box_pack_start(GTK_BOX(box), matchCase_, FALSE, FALSE, 0);
    gtk_label_set_xalign(GTK_LABEL(notFound_), 0);
    gtk_box_pack_start(GTK_BOX(box), notFound_, FALSE, FALSE, 0);
    if (results_) gtk_box_pack_start(GTK_BOX(box), results_->Widget(), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog_.get()))), box, TRUE, TRUE, 0);
    gtk_widget_show_all(box);
    gtk_widget_set_no_show_all(notFound_, TRUE);
    gtk_widget_hide(notFound_);
    if (results_) {
        ShowScope();
        g_signal_connect_swapped(wholeBook_, "toggled", G_CALLBACK(+[](FindDialog* self) {
                                     self->ShowScope();
                                     if (self->WholeBook()) self->SearchBookSoon();
                                 }),
                                 this);
        g_signal_connect_swapped(entry_, "changed", G_CALLBACK(+[](FindDialog* self) {
                                     if (self->WholeBook()) self->SearchBookSoon();
                                 }),
                                 this);
        // Enter searches the book at once; the Down arrow goes to the list.
        g_signal_connect_swapped(entry_, "activate", G_CALLBACK(+[](FindDialog* self) {
                                     if (self->WholeBook()) self->results_->Search(gtk_entry_get_text(GTK_ENTRY(self->entry_)), false);
                                 }),
                                 this);
        g_signal_connect(entry_, "key-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventKey* key, gpointer self) -> gboolean {
                             auto* find = static_cast<FindDialog*>(self);
                             if (key->keyval != GDK_KEY_Down || !find->WholeBook()) return FALSE;
                             return gtk_widget_child_focus(find->results_->Widget(), GTK_DIR_TAB_FORWARD);
                         }),
                         this);
    }

    g_signal_connect(dialog_.get(), "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer self) {
                         auto* find = static_cast<FindDialog*>(self);
                         if (response == kFindNext || response == kFindPrevious)
                             find->Search(response == kFindPrevious);
                         else
                             gtk_widget_hide(find->dialog_.get());
                     }),
                     this);
    g_signal_connect(dialog_.get(), "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);

    g_signal_connect(finder_.get(), "found-text", G_CALLBACK(+[](WebKitFindController*, guint, gpointer label) {
                         gtk_widget_hide(GTK_WIDGET(label));
                     }),
                     notFound_);
    g_signal_connect(finder_.get(), "failed-to-find-text", G_CALLBACK(+[](WebKitFindController*, gpointer label) {
                         gtk_widget_show(GTK_WIDGET(label));
                     }),
                     notFound_);
}

FindDialog::~FindDialog() {
    if (typingTimer_) g_source_remove(typingTimer_);
    results_.reset();  // while its widgets live: destroying the dialog ends them
    g_signal_handlers_disconnect_by_data(entry_, this);
    if (wholeBook_) g_signal_handlers_disconnect_by_data(wholeBook_, this);
    g_signal_handlers_disconnect_by_data(finder_.get(), notFound_);
    g_signal_handlers_disconnect_by_data(dialog_.get(), this);
    gtk_widget_destroy(dialog_.get());
}

void FindDialog::Present() {
    GtkWidget* toplevel = gtk_widget_get_toplevel(GTK_WIDGET(view_));
    GtkWidget* parent = gtk_widget_is_toplevel(toplevel) ? toplevel : nullptr;
    gtk_window_set_transient_for(GTK_WINDOW(dialog_.get()), parent ? GTK_WINDOW(parent) : nullptr);
    FitMonitor(GTK_WINDOW(dialog_.get()), parent);
    gtk_widget_hide(notFound_);
    gtk_window_present(GTK_WINDOW(dialog_.get()));
    gtk_widget_grab_focus(entry_);
}

bool FindDialog::WholeBook() const {
    return wholeBook_ && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(wholeBook_));
}

// The parts of the chosen scope: the results for the whole book, Match case
// for the page. Enter in the entry searches the book, or finds on the page.
void FindDialog::ShowScope() {
    gtk_widget_set_visible(results_->Widget(), WholeBook());
    gtk_widget_set_visible(matchCase_, !WholeBook());
    gtk_widget_hide(notFound_);
    gtk_entry_set_activates_default(GTK_ENTRY(entry_), !WholeBook());
}

void FindDialog::SearchBookSoon() {
    if (typingTimer_) g_source_remove(typingTimer_);
    typingTimer_ = g_timeout_add(kTypingPauseMs, +[](gpointer self) -> gboolean {
        auto* find = static_cast<FindDialog*>(self);
        find->typingTimer_ = 0;
        const char* text = gtk_entry_get_text(GTK_ENTRY(find->entry_));
        find->results_->Search(text, *text && !g_str_has_suffix(text, " "));
        return G_SOURCE_REMOVE;
    }, this);
}

// On the page opened from the results, Find Next and Find Previous step
// through its highlighted hits.
void FindDialog::StepThroughHits(bool backwards) {
    if (results_->Highlighted().empty()) return;
    const char* current = webkit_find_controller_get_search_text(finder_.get());
    if (!current || results_->Highlighted() != current)
        webkit_find_controller_search(finder_.get(), results_->Highlighted().c_str(),
                                      WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND, G_MAXUINT);
    else if (backwards)
        webkit_find_controller_search_previous(finder_.get());
    else
        webkit_find_controller_search_next(finder_.get());
}

// Each press searches again from the current match, so Find Next and Find
// Previous step through the matches and wrap around at the ends.
void FindDialog::Search(bool backwards) {
    if (WholeBook()) return StepThroughHits(backwards);
    const char* text = gtk_entry_get_text(GTK_ENTRY(entry_));
    if (!text || !*text) return;
    guint32 options = WEBKIT_FIND_OPTIONS_WRAP_AROUND;
    if (!gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(matchCase_))) options |= WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE;
    if (backwards) options |= WEBKIT_FIND_OPTIONS_BACKWARDS;
    const char* current = webkit_find_controller_get_search_text(finder_.get());
    const bool sameSearch = current && g_strcmp0(current, text) == 0 &&
                            (webkit_find_controller_get_options(finder_.get()) & WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE) ==
                                (options & WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE);
    if (!sameSearch) {
        webkit_find_controller_search(finder_.get(), text, options, G_MAXUINT);
    } else if (backwards) {
        webkit_find_controller_search_previous(finder_.get());
    } else {
        webkit_find_controller_search_next(finder_.get());
    }
}

}  // namespace viewer::webkit
