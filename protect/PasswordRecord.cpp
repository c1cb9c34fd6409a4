// The password record's bytes: a tag and version, the three Argon2id costs
// (little-endian), the salt and the check value.
#include "PasswordRecord.h"

#include <algorithm>

namespace protect {

namespace {

constexpr std::string_view kTag = "ZBPW";
constexpr unsigned char kVersion = 1;
constexpr std::size_t kSize = 4 + 1 + 3 * 4 + 16 + 32;

// At most 1 GiB of memory, 16 passes, 8 lanes, and 4 GiB of memory passes
// in all: a few seconds on a slow machine.
constexpr std::uint64_t kMostMemoryKiB = 1u << 20, kMostWorkKiB = 4u << 20;

void Put32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t Get32(std::string_view in, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return value;
}

}  // namespace

bool IsAcceptableCost(const KdfCost& cost) {
    return cost.passes >= 1 && cost.passes <= 16 && cost.lanes >= 1 && cost.lanes <= 8 &&
           cost.memoryKiB >= 8u * cost.lanes && cost.memoryKiB <= kMostMemoryKiB &&
           std::uint64_t(cost.memoryKiB) * cost.passes <= kMostWorkKiB;
}

std::string EncodePasswordRecord(const PasswordRecord& record) {
    std::string out(kTag);
    out += static_cast<char>(kVersion);
    Put32(out, record.cost.passes);
    Put32(out, record.cost.memoryKiB);
    Put32(out, record.cost.lanes);
    out.append(record.salt.begin(), record.salt.end());
    out.append(record.check.begin(), record.check.end());
    return out;
}

bool LooksLikePasswordRecord(std::string_view bytes) { return bytes.starts_with(kTag); }

std::optional<PasswordRecord> DecodePasswordRecord(std::string_view bytes) {
    if (bytes.size() != kSize || !bytes.starts_with(kTag) || static_cast<unsigned char>(bytes[4]) != kVersion)
        return std::nullopt;
    PasswordRecord record;
    record.cost = {Get32(bytes, 5), Get32(bytes, 9), Get32(bytes, 13)};
    if (!IsAcceptableCost(record.cost)) return std::nullopt;
    std::copy_n(bytes.begin() + 17, record.salt.size(), record.salt.begin());
    std::copy_n(bytes.begin() + 33, record.check.size(), record.check.begin());
    return record;
}

}  // namespace protect
