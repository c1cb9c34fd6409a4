// What a protected book keeps of its password, in the "cpass" block: the
// Argon2id parameters and salt the book's key is derived with, and a check
// value made from that key. Testing a password against it takes one run
// of Argon2id; nothing in it tells the password.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace protect {

struct KdfCost {
    std::uint32_t passes = 0;
    std::uint32_t memoryKiB = 0;
    std::uint32_t lanes = 0;
};

// What a book compiled today costs to open: about half a second here. The
// cost is stored in each book, so later compilers may raise it.
inline constexpr KdfCost kDefaultCost{3, 256 * 1024, 1};  // 3 passes over 256 MiB

// The costs a reader agrees to pay: a book asking more is refused before
// Argon2id runs, so that no book can make a reader allocate or wait at will.
bool IsAcceptableCost(const KdfCost& cost);

struct PasswordRecord {
    KdfCost cost;
    std::array<std::uint8_t, 16> salt{};
    std::array<std::uint8_t, 32> check{};
};

std::string EncodePasswordRecord(const PasswordRecord& record);

// Whether a "cpass" value is a password record at all; older books hold the
// password itself there.
bool LooksLikePasswordRecord(std::string_view bytes);

// The record back; nothing when it is not one, is damaged, or asks for a
// cost no reader pays.
std::optional<PasswordRecord> DecodePasswordRecord(std::string_view bytes);

}  // namespace protect
