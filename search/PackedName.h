// An element or attribute name of at most 16 bytes as one number, so that
// tables of names are searched without comparing strings: the scanner and
// the text collector look up every element of a page this way.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace search {

using PackedName = unsigned __int128;

inline constexpr std::size_t kPackedNameMax = 16;

// The name's bytes from the most significant down, zeros after. Nothing
// for a longer name.
constexpr std::optional<PackedName> Pack(std::string_view name) {
    if (name.size() > kPackedNameMax) return std::nullopt;
    // Two halves of 64 bits: no 128-bit shift per byte.
    std::uint64_t halves[2] = {0, 0};
    for (std::size_t half = 0; half < 2; ++half) {
        const std::size_t from = 8 * half, to = std::min(name.size(), from + 8);
        for (std::size_t i = from; i < to; ++i) halves[half] = halves[half] << 8 | static_cast<unsigned char>(name[i]);
        if (to > from) halves[half] <<= 8 * (from + 8 - to);
    }
    return (PackedName(halves[0]) << 64) | halves[1];
}

// A table of names, each with its value, looked up by packed name in a
// hash table built at compile time. `Entry` has a member `name`.
template <typename Entry, std::size_t N>
class PackedNameTable {
public:
    // Two entries of one name do not compile.
    constexpr explicit PackedNameTable(const std::array<Entry, N>& entries) : entries_(entries) {
        for (std::size_t i = 0; i < N; ++i) {
            const PackedName key = *Pack(entries[i].name);
            std::size_t slot = SlotOf(key);
            for (; entryAt_[slot] != 0; slot = (slot + 1) % kSlots)
                if (keys_[slot] == key) throw "a name stands twice in the table";
            keys_[slot] = key;
            entryAt_[slot] = static_cast<std::uint16_t>(i + 1);
        }
    }

    // The entry of that name, or null.
    constexpr const Entry* Find(std::string_view name) const {
        const std::optional<PackedName> key = Pack(name);
        if (!key) return nullptr;
        for (std::size_t slot = SlotOf(*key); entryAt_[slot] != 0; slot = (slot + 1) % kSlots)
            if (keys_[slot] == *key) return &entries_[entryAt_[slot] - 1u];
        return nullptr;
    }

private:
    static_assert(N < 0xFFFF, "entries are numbered in 16 bits");
    static constexpr std::size_t kSlots = std::bit_ceil(N * 4);  // a quarter full: a probe or two

    static constexpr std::size_t SlotOf(PackedName key) {
        const auto high = static_cast<std::uint64_t>(key >> 64), low = static_cast<std::uint64_t>(key);
        // A name's bytes stand at the top of its halves: the product's top bits depend on them all.
        const std::uint64_t mixed = (high ^ (high >> 29)) * 0x9E3779B97F4A7C15u ^ (low ^ (low >> 29)) * 0xC2B2AE3D27D4EB4Fu;
        return static_cast<std::size_t>(mixed >> (64 - std::countr_zero(kSlots)));
    }

    std::array<Entry, N> entries_;
    std::array<PackedName, kSlots> keys_{};
    std::array<std::uint16_t, kSlots> entryAt_{};  // 1 + the entry's index; 0 for an empty slot
};

}  // namespace search
