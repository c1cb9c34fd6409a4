// The key a protected book's blocks are sealed with, derived from the
// author's password with Argon2id (libgcrypt). Blocks are sealed with
// AES-256-GCM-SIV under a nonce made from the block's name, part and bytes
// (HMAC-SHA256), so the same block always seals the same way (rebuilds stay
// byte-identical) and no nonce ever serves two different payloads. The key
// is kept in libgcrypt's secure memory, locked out of swap where the system
// allows, and wiped when the key goes.
#pragma once

#include "BlockSeal.h"
#include "PasswordRecord.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace protect {

class EProtectError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A salt made from a description of the book (SHA-256): the same book gets
// the same salt, and so the same key, on every rebuild.
std::array<std::uint8_t, 16> SaltOf(std::string_view bookDescription);

class BookKey final : public SimExe::BlockSeal {
public:
    static constexpr std::size_t kKeySize = 32;
    static constexpr std::size_t kSealOverhead = 12 + 16;  // nonce and tag

    // The key of a new book and the record that lets readers test a password
    // against it. Raises EProtectError when libgcrypt fails.
    static std::pair<std::unique_ptr<BookKey>, PasswordRecord> Create(std::string_view password,
                                                                     const std::array<std::uint8_t, 16>& salt,
                                                                     const KdfCost& cost = kDefaultCost);
    // The book's key when the password is right; nothing when it is wrong
    // (or the record asks for a cost no reader pays: Argon2id is not run).
    static std::unique_ptr<BookKey> Unlock(const PasswordRecord& record, std::string_view password);

    // The key as bytes, to hand to another process of the same reader, and
    // back. FromBytes raises EProtectError on a wrong length.
    std::string Bytes() const;
    static std::unique_ptr<BookKey> FromBytes(std::string_view bytes);

    std::string Seal(std::string_view plain, std::string_view blockName, std::uint64_t part,
                     std::uint32_t variant = 0) const override;
    bool OpenInto(std::string_view sealed, std::string_view blockName, std::uint64_t part,
                  std::string& plain) const override;

    ~BookKey() override;
    BookKey(const BookKey&) = delete;
    BookKey& operator=(const BookKey&) = delete;

private:
    struct Keys;  // in secure memory
    struct FreeKeys {
        void operator()(Keys* keys) const;  // wipes them
    };
    explicit BookKey(std::string_view master);
    std::unique_ptr<Keys, FreeKeys> keys_;
};

}  // namespace protect
