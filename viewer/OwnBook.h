// The eBook's own book, made ready before the viewer's window starts.
#pragma once

#include "Book.h"

#include <memory>

namespace viewer {

// Opens the program's own file as a book and indexes its blocks on a thread
// of its own while the window and the web view start. Nothing when the file
// cannot be read: the window's start-up tries again and reports it.
std::shared_ptr<book::Book> PrepareOwnBook();

}  // namespace viewer
