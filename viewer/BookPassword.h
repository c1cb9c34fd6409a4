// The password a reader types, tested against what the book keeps of it.
#pragma once

#include <string>

namespace viewer {

// Whether the book whose "cpass" value is `kept` is a protected one: one
// that keeps a password record rather than the password.
bool IsProtectedBook(const std::string& kept);

// Whether `typed` opens the book whose "cpass" value is `kept`. A protected
// book keeps a password record: the password must unlock the book's key
// (one run of Argon2id), which from then on opens every sealed block the
// block store reads. A book from before keeps the password itself, compared
// byte for byte.
bool PasswordOpensBook(const std::string& kept, const std::string& typed);

}  // namespace viewer
