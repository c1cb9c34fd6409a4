// Unsigned numbers in stored formats, least significant byte first. The
// type names the width: AppendLittleEndian<std::uint32_t> writes 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace base {

// Appends `value` to `out` in sizeof(Unsigned) bytes.
template <typename Unsigned>
void AppendLittleEndian(std::string& out, std::type_identity_t<Unsigned> value) {
    static_assert(std::is_unsigned_v<Unsigned>);
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The sizeof(Unsigned) bytes of `in` at `at`, which moves past them. The
// caller has checked that they are there.
template <typename Unsigned>
Unsigned ReadLittleEndian(std::string_view in, std::size_t& at) {
    static_assert(std::is_unsigned_v<Unsigned>);
    Unsigned value = 0;
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i)
        value |= static_cast<Unsigned>(std::uint64_t(static_cast<unsigned char>(in[at + i])) << (8 * i));
    at += sizeof(Unsigned);
    return value;
}

}  // namespace base
