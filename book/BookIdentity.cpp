// Identities hashed with GLib's SHA-256; an older book's derived from the
// names of its blocks, never from their content.
#include "BookIdentity.h"

#include "Ascii.h"
#include "SettingKeys.h"
#include "SimExe.h"

#include <glib.h>

#include <algorithm>
#include <exception>
#include <memory>

namespace book {

namespace {

constexpr std::size_t kIdentityLength = 32;
constexpr char kDerivedPrefix[] = "Zorbin eBook identity from its settings and page names";

// A block's content; empty when the book has none or it does not read.
std::string ContentOrEmpty(const Book& book, std::string_view name) {
    std::string value;
    try {
        if (book.ReadBlock(name, value)) return value;
    } catch (const std::exception&) {
    }
    return {};
}

bool IsSetting(const std::string& foldedName) {
    static const std::vector<std::string> settings = [] {
        std::vector<std::string> folded;
        for (const char* key : SimExe::kBookSettingKeys) folded.push_back(SimExe::FoldName(key));
        return folded;
    }();
    return std::ranges::find(settings, foldedName) != settings.end();
}

std::string DerivedIdentity(const Book& book) {
    std::vector<std::string> fields{kDerivedPrefix};
    for (const char* key : {SimExe::kTitleKey, SimExe::kBookNumberKey, SimExe::kAuthorKey, SimExe::kFirstPageKey})
        fields.push_back(ContentOrEmpty(book, key));
    for (std::string& name : book.BlockNames())
        if (!name.starts_with('/') && !IsSetting(name)) fields.push_back(std::move(name));
    return IdentityHash(fields);
}

}  // namespace

bool IsIdentity(std::string_view text) {
    return text.size() == kIdentityLength &&
           std::ranges::all_of(text, [](char c) { return ascii::IsDigit(c) || (c >= 'a' && c <= 'f'); });
}

std::string IdentityHash(const std::vector<std::string>& fields) {
    const std::unique_ptr<GChecksum, decltype(&g_checksum_free)> sha256(g_checksum_new(G_CHECKSUM_SHA256),
                                                                        g_checksum_free);
    static constexpr guchar kSeparator = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) g_checksum_update(sha256.get(), &kSeparator, 1);
        g_checksum_update(sha256.get(), reinterpret_cast<const guchar*>(fields[i].data()),
                          static_cast<gssize>(fields[i].size()));
    }
    // The hex of the whole digest, of which the first 16 bytes are kept.
    return std::string(g_checksum_get_string(sha256.get()), kIdentityLength);
}

std::string IdentityOf(const Book& book) {
    const std::string stored = ContentOrEmpty(book, kIdentityBlockName);
    return IsIdentity(stored) ? stored : DerivedIdentity(book);
}

bool ReopensWhereLeftOff(const Book& book) { return ContentOrEmpty(book, kReopenBlockName) != "0"; }

}  // namespace book
