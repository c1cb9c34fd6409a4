// Sealing what a protected book's compile writes.
#include "BookProtection.h"

#include "SettingKeys.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <filesystem>

namespace compiler {

std::optional<BookProtection> ProtectBook(const std::string& password, const std::string& title,
                                          const std::vector<std::string>& files, const std::string& folder) {
    if (password.empty()) return std::nullopt;
    std::string description = title;
    for (const std::string& file : files) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(SimExe::PathAgainst(file, folder), error);
        description += '\n' + file + '\n' + (error ? std::string("?") : std::to_string(size));
    }
    auto [key, record] = protect::BookKey::Create(password, protect::SaltOf(description));
    return BookProtection{std::move(key), record};
}

std::string ProtectedSetting(const BookProtection& protection, const std::string& key, const std::string& payload) {
    if (SimExe::FoldName(key) == SimExe::FoldName(SimExe::kPasswordKey))
        return ZLibEx::CompressString(protect::EncodePasswordRecord(protection.record), ZLibEx::lvDefault);
    return SealedPayload(&protection, key, payload);
}

std::string SealedPayload(const BookProtection* protection, const std::string& blockName, std::string payload) {
    if (!protection || !SimExe::IsSealedBlockName(blockName)) return payload;
    return SimExe::SealPayload(*protection->key, payload, blockName, SimExe::BlockSeal::kWholeBlock);
}

}  // namespace compiler
