// The pictures that buttons and images name by id: the product's own
// artwork (logo, banner, About art, compile button), built into the program,
// and button pictures taken from the icon theme with a drawn stand-in when
// the theme lacks one.
#pragma once

#include <gtk/gtk.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <string>

namespace toolkit::gtk {

// The picture of that id scaled so that its larger side is `size` pixels
// (0: the picture's own size), or null for an unknown id. The registry keeps
// the picture for the program's life: callers must not unref it.
GdkPixbuf* Picture(const std::string& id, int size = 0);

// The size a button shows the picture at: the compile button is big, the
// others are toolbar-sized.
int ButtonPictureSize(const std::string& id);

}  // namespace toolkit::gtk
