// The wizard's window system. The GTK binding travels inside the compiler's
// own file as a module, loaded from memory when the window first opens: a
// build from the command line starts without GTK and the libraries under it.
#pragma once

namespace compiler {

// Loads the module and opens the display (see toolkit::gtk::Initialize);
// false when there is no display. Throws std::runtime_error when the
// module is missing from the compiler's file or cannot be loaded.
bool OpenWindowSystem(int& argc, char**& argv, const char* desktopId);

}  // namespace compiler
