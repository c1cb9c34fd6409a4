// An element or attribute name of at most 16 bytes as one number that sorts
// as the name does, so that tables of names are searched without comparing
// strings: the scanner and the text collector look up every element of a
// page this way.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>

namespace search {

using PackedName = unsigned __int128;

inline constexpr std::size_t kPackedNameMax = 16;

// The name's bytes from the most significant down, zeros after: a name that
// is a prefix of another packs smaller. Nothing for a longer name.
constexpr std::optional<PackedName> Pack(std::string_view name) {
    if (name.size() > kPackedNameMax) return std::nullopt;
    if (!std::is_constant_evaluated()) {
        unsigned char bytes[kPackedNameMax] = {};
        if (!name.empty()) std::memcpy(bytes, name.data(), name.size());
        std::uint64_t high, low;
        std::memcpy(&high, bytes, sizeof high);
        std::memcpy(&low, bytes + sizeof high, sizeof low);
        if constexpr (std::endian::native == std::endian::little) {
            high = __builtin_bswap64(high);
            low = __builtin_bswap64(low);
        }
        return (PackedName(high) << 64) | low;
    }
    PackedName packed = 0;
    for (std::size_t i = 0; i < kPackedNameMax; ++i)
        packed = (packed << 8) | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
    return packed;
}

// A table of names sorted by name, each with its value, searched by packed
// name. `Entry` has members `name` and `value`.
template <typename Entry, std::size_t N>
class PackedNameTable {
public:
    constexpr explicit PackedNameTable(const std::array<Entry, N>& entries) : entries_(entries) {
        for (std::size_t i = 0; i < N; ++i) keys_[i] = *Pack(entries[i].name);
    }

    // The entry of that name, or null.
    constexpr const Entry* Find(std::string_view name) const {
        const std::optional<PackedName> key = Pack(name);
        if (!key) return nullptr;
        const auto found = std::lower_bound(keys_.begin(), keys_.end(), *key);
        return found != keys_.end() && *found == *key ? &entries_[static_cast<std::size_t>(found - keys_.begin())]
                                                      : nullptr;
    }

    // Whether the names are in order, as Find needs them.
    constexpr bool Sorted() const { return std::is_sorted(keys_.begin(), keys_.end()); }

private:
    std::array<Entry, N> entries_;
    std::array<PackedName, N> keys_{};
};

}  // namespace search
