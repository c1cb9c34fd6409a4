// Opens and indexes the eBook's own book ahead of the window.
#include "OwnBook.h"

#include "SimExe.h"

namespace viewer {

std::shared_ptr<book::Book> PrepareOwnBook() {
    try {
        std::shared_ptr<book::Book> book = book::Book::OwnProgram();
        book->IndexInBackground();
        return book;
    } catch (const SimExe::EFileError&) {
        return nullptr;
    }
}

}  // namespace viewer
