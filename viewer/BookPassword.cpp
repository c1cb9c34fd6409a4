// Unlocking a protected book.
#include "BookPassword.h"

#include "BookKey.h"
#include "SimExe.h"

namespace viewer {

bool IsProtectedBook(const std::string& kept) { return protect::LooksLikePasswordRecord(kept); }

bool PasswordOpensBook(const std::string& kept, const std::string& typed) {
    if (!IsProtectedBook(kept)) return typed == kept;
    const std::optional<protect::PasswordRecord> record = protect::DecodePasswordRecord(kept);
    if (!record) return false;  // damaged, or asking more than a reader pays
    std::shared_ptr<const protect::BookKey> key = protect::BookKey::Unlock(*record, typed);
    if (!key) return false;
    SimExe::BlockStore().SetSeal(std::move(key));
    return true;
}

}  // namespace viewer
