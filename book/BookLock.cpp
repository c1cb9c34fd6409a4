// Testing a password against a book's lock.
#include "BookLock.h"

#include "BookKey.h"
#include "SettingKeys.h"

namespace book {

BookLock LockOf(const std::string& cpass) {
    BookLock lock;
    if (cpass.empty()) return lock;
    if (!protect::LooksLikePasswordRecord(cpass)) {
        lock.kind = BookLock::Kind::Plain;
        lock.plain = cpass;
        return lock;
    }
    lock.record = protect::DecodePasswordRecord(cpass);
    lock.kind = lock.record ? BookLock::Kind::Record : BookLock::Kind::Damaged;
    return lock;
}

BookLock LockOf(const Book& book) {
    std::string cpass;
    book.ReadBlock(SimExe::kPasswordKey, cpass);
    return LockOf(cpass);
}

bool Unlock(Book& book, const BookLock& lock, std::string_view password) {
    switch (lock.kind) {
    case BookLock::Kind::None: return true;
    case BookLock::Kind::Plain: return password == lock.plain;
    case BookLock::Kind::Damaged: return false;
    case BookLock::Kind::Record: break;
    }
    std::shared_ptr<const protect::BookKey> key = protect::BookKey::Unlock(*lock.record, password);
    if (!key) return false;
    book.SetKey(std::move(key));
    return true;
}

}  // namespace book
