// The password record's bytes: a tag and version, the three Argon2id costs
// (little-endian), the salt and the check value.
#include "PasswordRecord.h"

#include "LittleEndian.h"

#include <algorithm>

namespace protect {

namespace {

constexpr std::string_view kTag = "ZBPW";
constexpr unsigned char kVersion = 1;
constexpr std::size_t kSize = 4 + 1 + 3 * 4 + 16 + 32;

// At most 1 GiB of memory, 16 passes, 8 lanes, and 4 GiB of memory passes
// in all: a few seconds on a slow machine.
constexpr std::uint64_t kMostMemoryKiB = 1u << 20, kMostWorkKiB = 4u << 20;

}  // namespace

bool IsAcceptableCost(const KdfCost& cost) {
    return cost.passes >= 1 && cost.passes <= 16 && cost.lanes >= 1 && cost.lanes <= 8 &&
           cost.memoryKiB >= 8u * cost.lanes && cost.memoryKiB <= kMostMemoryKiB &&
           std::uint64_t(cost.memoryKiB) * cost.passes <= kMostWorkKiB;
}

std::string EncodePasswordRecord(const PasswordRecord& record) {
    std::string out(kTag);
    out += static_cast<char>(kVersion);
    base::AppendLittleEndian<std::uint32_t>(out, record.cost.passes);
    base::AppendLittleEndian<std::uint32_t>(out, record.cost.memoryKiB);
    base::AppendLittleEndian<std::uint32_t>(out, record.cost.lanes);
    out.append(record.salt.begin(), record.salt.end());
    out.append(record.check.begin(), record.check.end());
    return out;
}

bool LooksLikePasswordRecord(std::string_view bytes) { return bytes.starts_with(kTag); }

std::optional<PasswordRecord> DecodePasswordRecord(std::string_view bytes) {
    if (bytes.size() != kSize || !bytes.starts_with(kTag) || static_cast<unsigned char>(bytes[4]) != kVersion)
        return std::nullopt;
    PasswordRecord record;
    std::size_t at = 5;
    record.cost.passes = base::ReadLittleEndian<std::uint32_t>(bytes, at);
    record.cost.memoryKiB = base::ReadLittleEndian<std::uint32_t>(bytes, at);
    record.cost.lanes = base::ReadLittleEndian<std::uint32_t>(bytes, at);
    if (!IsAcceptableCost(record.cost)) return std::nullopt;
    std::copy_n(bytes.begin() + 17, record.salt.size(), record.salt.begin());
    std::copy_n(bytes.begin() + 33, record.check.size(), record.check.begin());
    return record;
}

}  // namespace protect
