// Opening a book, and its key.
#include "Book.h"

#include "BookKey.h"
#include "SimExe.h"

#include <unistd.h>

namespace book {

std::shared_ptr<Book> Book::Open(const std::string& path) {
    std::shared_ptr<Book> book(new Book());
    SimExe::LoadFile(*book->store_, path);
    book->path_ = path;
    return book;
}

std::shared_ptr<Book> Book::OwnProgram() {
    const std::string path = SimExe::OwnImagePath();
    if (path != SimExe::ExecutablePath()) return Open(path);
    std::shared_ptr<Book> book(new Book());
    book->path_ = "/proc/" + std::to_string(::getpid()) + "/exe";
    SimExe::LoadFile(*book->store_, path, book->path_.c_str());
    return book;
}

std::shared_ptr<Book> Book::OfBytes(std::string bytes) {
    std::shared_ptr<Book> book(new Book());
    *book->store_ = std::move(bytes);
    return book;
}

void Book::SetKey(std::shared_ptr<const protect::BookKey> key) { store_->SetSeal(std::move(key)); }

std::shared_ptr<const protect::BookKey> Book::Key() const {
    return std::static_pointer_cast<const protect::BookKey>(store_->Seal());
}

}  // namespace book
