// The GTK 3 binding of the control model: opens the display, installs the
// GTK window system and dialogs into the application, and mirrors every
// control of a shown form in a real widget, both ways.
#pragma once

#include "Controls.h"

#include <functional>
#include <string>

typedef struct _GtkWidget GtkWidget;

namespace toolkit::gtk {

// Opens the display. On success the application gets the GTK window system
// and dialogs, and the shell opener sends documents, web addresses and
// "mailto:" links to the desktop's default handler. Without a display it
// returns false and the application stays headless. A desktop id (such as
// "org.zorbin.Compiler") names the program's windows after its desktop
// entry, so the desktop gives them its icon and name.
bool Initialize(int& argc, char**& argv, const char* desktopId = nullptr);

// Makes the widget for a control a later binding knows (the viewer's web
// view, for example); returns null when the control is not its own. The
// factories are asked first, latest added first.
using WidgetFactory = std::function<GtkWidget*(toolkit::TControl&)>;
void AddWidgetFactory(WidgetFactory factory);

// The widget that carries a control's behaviour (the GtkWindow of a form,
// the GtkTextView of a memo, the GtkEntry of an edit ...), or null while the
// control has no widget.
GtkWidget* WidgetOf(const toolkit::TControl& control);

// The address the desktop opens for a shell target: URLs and "mailto:" as
// they are, a file path as a file:// URI of its absolute path.
std::string TargetUri(const std::string& target);

}  // namespace toolkit::gtk
