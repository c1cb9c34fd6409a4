// The binding's entry when it is built as a module of its own: a program
// that opens windows only some of the time loads the module then, and
// starts without GTK and the libraries under it the rest of the time.
#include "GtkBinding.h"

extern "C" __attribute__((visibility("default"))) bool zorbin_gtk_initialize(int* argc, char*** argv,
                                                                             const char* desktopId) {
    return toolkit::gtk::Initialize(*argc, *argv, desktopId);
}
