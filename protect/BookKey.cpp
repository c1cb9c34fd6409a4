// Argon2id, HMAC-SHA256 and AES-256-GCM-SIV from libgcrypt.
#include "BookKey.h"

#include "LittleEndian.h"
#include "OwnedHandle.h"
#include "SimExe.h"

#include <gcrypt.h>

#include <cstring>
#include <mutex>

namespace protect {

namespace {

// libgcrypt is made ready once, with a pool of secure memory, unless the
// program (or a library in it) has done so already.
void InitGcryptOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gcry_check_version(GCRYPT_VERSION)) throw EProtectError("libgcrypt is older than this program needs");
        if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) return;
        gcry_control(GCRYCTL_DISABLE_SECMEM_WARN);
        gcry_control(GCRYCTL_INIT_SECMEM, 64 * 1024, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
}

void Check(gcry_error_t error, const char* doing) {
    if (error) throw EProtectError(std::string(doing) + ": " + gcry_strerror(error));
}

// Bytes in libgcrypt's secure memory, wiped when freed.
struct SecureFree {
    void operator()(void* p) const { gcry_free(p); }
};
using SecureBytes = std::unique_ptr<unsigned char[], SecureFree>;

SecureBytes SecureAlloc(std::size_t size) {
    auto* p = static_cast<unsigned char*>(gcry_malloc_secure(size));
    if (!p) throw std::bad_alloc();
    return SecureBytes(p);
}

SecureBytes Argon2id(std::string_view password, const std::array<std::uint8_t, 16>& salt, const KdfCost& cost) {
    SecureBytes master = SecureAlloc(BookKey::kKeySize);
    const unsigned long parameters[4] = {BookKey::kKeySize, cost.passes, cost.memoryKiB, cost.lanes};
    base::OwnedHandle<gcry_kdf_hd_t, gcry_kdf_close> kdf;
    Check(gcry_kdf_open(kdf.Out(), GCRY_KDF_ARGON2, GCRY_KDF_ARGON2ID, parameters, 4, password.data(),
                        password.size(), salt.data(), salt.size(), nullptr, 0, nullptr, 0),
          "Argon2id");
    Check(gcry_kdf_compute(kdf.get(), nullptr), "Argon2id");
    Check(gcry_kdf_final(kdf.get(), BookKey::kKeySize, master.get()), "Argon2id");
    return master;
}

// HMAC-SHA256 of the pieces under `key`, its first `size` bytes into `out`.
void Hmac(const unsigned char* key, std::initializer_list<std::string_view> pieces, unsigned char* out,
          std::size_t size) {
    base::OwnedHandle<gcry_md_hd_t, gcry_md_close> md;
    Check(gcry_md_open(md.Out(), GCRY_MD_SHA256, GCRY_MD_FLAG_HMAC | GCRY_MD_FLAG_SECURE), "HMAC");
    Check(gcry_md_setkey(md.get(), key, BookKey::kKeySize), "HMAC");
    for (std::string_view piece : pieces) gcry_md_write(md.get(), piece.data(), piece.size());
    std::memcpy(out, gcry_md_read(md.get(), GCRY_MD_SHA256), size);
}

// What binds a sealed payload to its place: the block's name (folded, as
// blocks are found) and its part.
std::string AssociatedData(std::string_view blockName, std::uint64_t part) {
    std::string data = "zorbin block " + SimExe::FoldName(blockName);
    data += '\0';
    base::AppendLittleEndian<std::uint64_t>(data, part);
    return data;
}

constexpr std::size_t kNonceSize = 12, kTagSize = 16;

// A cipher handle keyed for one seal or open.
struct Cipher {
    base::OwnedHandle<gcry_cipher_hd_t, gcry_cipher_close> handle;
    Cipher(const unsigned char* key, const unsigned char* nonce, std::string_view associated) {
        Check(gcry_cipher_open(handle.Out(), GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_GCM_SIV, GCRY_CIPHER_SECURE),
              "AES");
        Check(gcry_cipher_setkey(handle.get(), key, BookKey::kKeySize), "AES key");
        Check(gcry_cipher_setiv(handle.get(), nonce, kNonceSize), "AES nonce");
        Check(gcry_cipher_authenticate(handle.get(), associated.data(), associated.size()), "AES data");
        Check(gcry_cipher_final(handle.get()), "AES");  // the whole text follows in one call
    }
};

}  // namespace

std::array<std::uint8_t, 16> SaltOf(std::string_view bookDescription) {
    InitGcryptOnce();
    unsigned char digest[32];
    const std::string text = "zorbin salt " + std::string(bookDescription);
    gcry_md_hash_buffer(GCRY_MD_SHA256, digest, text.data(), text.size());
    std::array<std::uint8_t, 16> salt{};
    std::memcpy(salt.data(), digest, salt.size());
    return salt;
}

// The master key's three uses, each its own key.
struct BookKey::Keys {
    unsigned char master[kKeySize];
    unsigned char seal[kKeySize];
    unsigned char nonce[kKeySize];
    unsigned char check[kKeySize];
};

void BookKey::FreeKeys::operator()(Keys* keys) const { gcry_free(keys); }

BookKey::BookKey(std::string_view master) : keys_(static_cast<Keys*>(gcry_malloc_secure(sizeof(Keys)))) {
    if (!keys_) throw std::bad_alloc();
    std::memcpy(keys_->master, master.data(), kKeySize);
    Hmac(keys_->master, {"zorbin seal key"}, keys_->seal, kKeySize);
    Hmac(keys_->master, {"zorbin nonce key"}, keys_->nonce, kKeySize);
    Hmac(keys_->master, {"zorbin password check"}, keys_->check, kKeySize);
}

BookKey::~BookKey() = default;

std::pair<std::unique_ptr<BookKey>, PasswordRecord> BookKey::Create(std::string_view password,
                                                                    const std::array<std::uint8_t, 16>& salt,
                                                                    const KdfCost& cost) {
    InitGcryptOnce();
    if (password.empty()) throw EProtectError("A book's password cannot be empty");
    if (!IsAcceptableCost(cost)) throw EProtectError("The password's cost is out of range");
    const SecureBytes master = Argon2id(password, salt, cost);
    std::unique_ptr<BookKey> key(new BookKey({reinterpret_cast<const char*>(master.get()), kKeySize}));
    PasswordRecord record{cost, salt, {}};
    std::memcpy(record.check.data(), key->keys_->check, record.check.size());
    return {std::move(key), record};
}

std::unique_ptr<BookKey> BookKey::Unlock(const PasswordRecord& record, std::string_view password) {
    InitGcryptOnce();
    // A book's password is never empty: an empty one means no password.
    if (password.empty() || !IsAcceptableCost(record.cost)) return nullptr;
    const SecureBytes master = Argon2id(password, record.salt, record.cost);
    std::unique_ptr<BookKey> key(new BookKey({reinterpret_cast<const char*>(master.get()), kKeySize}));
    // Compared in constant time, though it matters little after Argon2id.
    unsigned char difference = 0;
    for (std::size_t i = 0; i < record.check.size(); ++i) difference |= key->keys_->check[i] ^ record.check[i];
    return difference == 0 ? std::move(key) : nullptr;
}

std::string BookKey::Bytes() const { return std::string(reinterpret_cast<const char*>(keys_->master), kKeySize); }

std::unique_ptr<BookKey> BookKey::FromBytes(std::string_view bytes) {
    InitGcryptOnce();
    if (bytes.size() != kKeySize) throw EProtectError("A book key is " + std::to_string(kKeySize) + " bytes");
    return std::unique_ptr<BookKey>(new BookKey(bytes));
}

std::string BookKey::Seal(std::string_view plain, std::string_view blockName, std::uint64_t part,
                          std::uint32_t variant) const {
    const std::string associated = AssociatedData(blockName, part);
    // The nonce: of the associated data (its length first), the variant and
    // the payload, so that it changes whenever any of them does.
    std::string prefix;
    base::AppendLittleEndian<std::uint64_t>(prefix, associated.size());
    base::AppendLittleEndian<std::uint64_t>(prefix, variant);
    std::string sealed(kNonceSize + plain.size() + kTagSize, '\0');
    auto* out = reinterpret_cast<unsigned char*>(sealed.data());
    Hmac(keys_->nonce, {std::string_view(prefix).substr(0, 8), associated, std::string_view(prefix).substr(8), plain},
         out, kNonceSize);
    const Cipher cipher(keys_->seal, out, associated);
    Check(gcry_cipher_encrypt(cipher.handle.get(), out + kNonceSize, plain.size(), plain.data(), plain.size()), "AES");
    Check(gcry_cipher_gettag(cipher.handle.get(), out + kNonceSize + plain.size(), kTagSize), "AES tag");
    return sealed;
}

bool BookKey::OpenInto(std::string_view sealed, std::string_view blockName, std::uint64_t part,
                       std::string& plain) const {
    if (sealed.size() < kSealOverhead) return false;
    const auto* in = reinterpret_cast<const unsigned char*>(sealed.data());
    const std::size_t size = sealed.size() - kSealOverhead;
    const Cipher cipher(keys_->seal, in, AssociatedData(blockName, part));
    Check(gcry_cipher_set_decryption_tag(cipher.handle.get(), in + kNonceSize + size, kTagSize), "AES tag");
    plain.resize(size);
    if (gcry_cipher_decrypt(cipher.handle.get(), plain.data(), size, in + kNonceSize, size) == 0) return true;
    plain.clear();  // what failed its check is never handed out
    return false;
}

}  // namespace protect
