// The GTK window system: real windows for forms, modal loops, the main loop.
#pragma once

#include <gtk/gtk.h>

#include "Forms.h"

#include <glib.h>

#include <vector>

namespace toolkit::gtk {

class GtkWindows : public WindowSystem {
public:
    void ShowForm(TForm& form) override;
    void HideForm(TForm& form) override;
    void RunModal(TForm& form) override;
    void EndModal(TForm& form) override;
    void ProcessMessages() override;
    void Run() override;
    void Quit() override;
    void CallLater(int milliseconds, std::function<void()> task) override;

private:
    struct ModalRun {
        TForm* form;
        GMainLoop* loop;
    };
    std::vector<ModalRun> modal_;  // innermost last
    GMainLoop* main_ = nullptr;
    bool quitting_ = false;
};

}  // namespace toolkit::gtk
