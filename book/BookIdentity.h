// What the viewer keeps a book's reader's place and choices under, whatever
// the book's file is called or wherever it lies: the book's identity; and
// whether its author lets it reopen where its reader left off. The compiler
// writes both as blocks of every eBook and names identities with the same
// hash (IdentityHash).
#pragma once

#include "Book.h"

#include <string>
#include <string_view>
#include <vector>

namespace book {

inline constexpr char kIdentityBlockName[] = "/zorbin/identity";  // 32 lowercase hex characters
inline constexpr char kReopenBlockName[] = "/zorbin/reopen";      // "0" when the author turned reopening off

// Whether `text` is an identity as books carry it: 32 lowercase hex characters.
bool IsIdentity(std::string_view text);

// An identity made of `fields`: the first 16 bytes of the SHA-256 of the
// fields with a NUL between each two, in lowercase hex. The first field is
// a fixed prefix of the caller's own, so that no two ways of naming books
// give the same identity.
std::string IdentityHash(const std::vector<std::string>& fields);

// The book's identity: its /zorbin/identity block when it has a valid one
// (32 lowercase hex characters), else one derived from its settings and
// page list (books compiled before identities existed): SHA-256 of a fixed
// prefix, the title, number, author and first page settings and the names
// of all its blocks that are not settings and not "/…" blocks, in the
// book's order (IdentityHash). Read after a protected book is unlocked.
// Never throws: a damaged block counts as absent. Of a book's pages only
// their names are read.
std::string IdentityOf(const Book& book);

// Whether the author lets the eBook reopen where its reader left off
// (/zorbin/reopen is not "0"; an older book has none, and reopens).
bool ReopensWhereLeftOff(const Book& book);

}  // namespace book
