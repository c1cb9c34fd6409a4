// Forms as GTK windows: showing, hiding, modal runs in nested main loops.
#include "GtkWindows.h"

#include "GtkWidgets.h"

#include <algorithm>

namespace toolkit::gtk {

namespace {

// Any form but the main one belongs to the main form's window.
GtkWindow* PrepareWindow(TForm& form) {
    GtkWindow* window = WindowFor(form);
    TForm* main = Application().MainForm();
    if (main && main != &form)
        if (GtkWidget* owner = WidgetOf(*main)) gtk_window_set_transient_for(window, GTK_WINDOW(owner));
    return window;
}

}  // namespace

void GtkWindows::ShowForm(TForm& form) {
    GtkWindow* window = PrepareWindow(form);
    gtk_widget_show(GTK_WIDGET(window));
    gtk_window_present(window);
}

void GtkWindows::HideForm(TForm& form) {
    if (GtkWidget* window = WidgetOf(form)) gtk_widget_hide(window);
}

void GtkWindows::RunModal(TForm& form) {
    GtkWindow* window = PrepareWindow(form);
    gtk_window_set_modal(window, TRUE);
    gtk_widget_show(GTK_WIDGET(window));
    gtk_window_present(window);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    modal_.push_back({&form, loop});
    if (!quitting_) g_main_loop_run(loop);
    modal_.erase(std::remove_if(modal_.begin(), modal_.end(), [loop](const ModalRun& r) { return r.loop == loop; }),
                 modal_.end());
    g_main_loop_unref(loop);
    if (GtkWidget* still = WidgetOf(form)) {  // the form may have gone meanwhile
        gtk_window_set_modal(GTK_WINDOW(still), FALSE);
        gtk_widget_hide(still);
    }
}

void GtkWindows::EndModal(TForm& form) {
    for (const ModalRun& run : modal_)
        if (run.form == &form) {
            g_main_loop_quit(run.loop);
            return;
        }
    HideForm(form);
}

void GtkWindows::ProcessMessages() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

void GtkWindows::Run() {
    if (quitting_) return;
    main_ = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(main_);
    g_main_loop_unref(main_);
    main_ = nullptr;
}

void GtkWindows::CallLater(int milliseconds, std::function<void()> task) {
    using Task = std::function<void()>;
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, static_cast<guint>(std::max(milliseconds, 0)),
        [](gpointer data) -> gboolean {
            (*static_cast<Task*>(data))();
            return G_SOURCE_REMOVE;
        },
        new Task(std::move(task)), [](gpointer data) { delete static_cast<Task*>(data); });
}

void GtkWindows::Quit() {
    quitting_ = true;
    for (const ModalRun& run : modal_) g_main_loop_quit(run.loop);
    if (main_) g_main_loop_quit(main_);
}

}  // namespace toolkit::gtk
