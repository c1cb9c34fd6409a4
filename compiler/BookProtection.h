// A password-protected book as the compile makes it: its key, the record of
// its password, and the sealing of what it writes.
#pragma once

#include "BookKey.h"
#include "PageRange.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace compiler {

struct BookProtection {
    std::shared_ptr<const protect::BookKey> key;
    protect::PasswordRecord record;

    // How the block of this name is sealed, for PageCompressor and the like.
    SimExe::SealedBlock As(std::string_view blockName) const { return {*key, blockName}; }
};

// The protection of a book with this password; none for an empty one, which
// means no password. The salt comes from the book's title and its files'
// names (as the book names them) and sizes (read against `folder`): a
// project rebuilds to the same key, and so to the same bytes, wherever its
// folder is, while another book gets another salt.
std::optional<BookProtection> ProtectBook(const std::string& password, const std::string& title,
                                          const std::vector<std::string>& files, const std::string& folder);

// A settings block's payload (compressed) as a protected book keeps it:
// "cpass" holds the password record, and what readers see only after the
// password is sealed.
std::string ProtectedSetting(const BookProtection& protection, const std::string& key, const std::string& payload);

// A block sealed whole when the book is protected and the name is sealed;
// else the payload as it is.
std::string SealedPayload(const BookProtection* protection, const std::string& blockName, std::string payload);

}  // namespace compiler
