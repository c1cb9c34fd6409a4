// Opening a book that asks for a password: what its "cpass" setting holds,
// and the password tested against it. A protected book keeps a record of
// its password, and the password unlocks the key its sealed blocks open
// with; a book from before keeps the password itself. The viewer, the web
// process and the compiler's commands all open books here.
#pragma once

#include "Book.h"
#include "PasswordRecord.h"

#include <optional>
#include <string>
#include <string_view>

namespace book {

struct BookLock {
    enum class Kind {
        None,      // no password
        Plain,     // the password as it is, compared byte for byte
        Record,    // a protected book's password record
        Damaged,   // a record that does not read, or asks more than a reader pays
    };
    Kind kind = Kind::None;
    std::string plain;
    std::optional<protect::PasswordRecord> record;

    // Whether the book's blocks are sealed (all but a few settings).
    bool Sealed() const { return kind == Kind::Record || kind == Kind::Damaged; }
};

// The lock a "cpass" value describes.
BookLock LockOf(const std::string& cpass);
// The lock of a book, from its "cpass" block (none when it has none).
// Raises ZLibEx's errors when that block is damaged.
BookLock LockOf(const Book& book);

// Whether `password` opens the book. A protected book's key is unlocked
// (one run of Argon2id) and becomes the book's key, which opens its sealed
// blocks from then on; a plain password is compared byte for byte; a book
// without a password opens with anything.
bool Unlock(Book& book, const BookLock& lock, std::string_view password);

}  // namespace book
