// A clear book's file: "book IDENTITY" on a line of its own, then the
// encoded state. A protected book's file: the encoded state sealed whole
// under a block name that binds the identity in, so that another book's
// file, a wrong key and damage all fail alike. Files are replaced through
// the block store's atomic replacement (a locked temporary file beside the
// file, written, synced and renamed over it), which also sweeps away the
// temporary files of viewers killed mid-save.
#include "StateFile.h"

#include "BookKey.h"
#include "FileIO.h"
#include "FileSystem.h"

#include <glib.h>

#include <cstdlib>

namespace readerstate {

namespace {

using SimExe::BlockSeal;

constexpr std::size_t kNameDigits = 32;  // 128 bits of SHA-256, in hex

std::string Sha256Hex(std::string_view bytes) {
    gchar* hex =
        g_compute_checksum_for_data(G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string digest(hex, kNameDigits);
    g_free(hex);
    return digest;
}

// A clear book's file is named for its identity. A protected book's is
// named for its identity sealed with its key: nobody without the key can
// make the name, nor tell the book from it.
std::string FileName(const std::string& identity, const protect::BookKey* key) {
    const std::string named = key ? key->Seal(identity, "/zorbin/reader-state-name", BlockSeal::kWholeBlock)
                                  : "zorbin reader state " + identity;
    return Sha256Hex(named) + ".state";
}

std::string SealedName(const std::string& identity) { return "/zorbin/reader-state/" + identity; }

std::string BookLine(const std::string& identity) { return "book " + identity + "\n"; }

std::string ContentOf(const ReaderState& state, const std::string& identity, const protect::BookKey* key) {
    const std::string encoded = Encode(state);
    return key ? key->Seal(encoded, SealedName(identity), BlockSeal::kWholeBlock) : BookLine(identity) + encoded;
}

std::optional<ReaderState> StateOf(std::string_view content, const std::string& identity, const protect::BookKey* key) {
    if (key) {
        const std::optional<std::string> plain = key->Open(content, SealedName(identity), BlockSeal::kWholeBlock);
        return plain ? Decode(*plain) : std::nullopt;
    }
    const std::string line = BookLine(identity);
    return content.starts_with(line) ? Decode(content.substr(line.size())) : std::nullopt;
}

}  // namespace

StateFile::StateFile(std::string folder, std::string identity, std::shared_ptr<const protect::BookKey> key)
    : identity_(std::move(identity)), key_(std::move(key)) {
    try {
        path_ = folder + "/" + FileName(identity_, key_.get());
    } catch (...) {  // the key could not seal: the file stays nameless
    }
}

std::string StateFile::DefaultFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/zorbin-ebook";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : g_get_home_dir()) + "/.local/state/zorbin-ebook";
}

std::optional<ReaderState> StateFile::Load() const {
    if (path_.empty()) return std::nullopt;
    try {
        const SimExe::FileIO::PieceReader file(path_);
        const std::size_t largest = kMaxEncodedSize + BookLine(identity_).size() + protect::BookKey::kSealOverhead;
        if (file.Size() > largest) return std::nullopt;
        return StateOf(file.Read(0, file.Size()), identity_, key_.get());
    } catch (...) {
        return std::nullopt;
    }
}

bool StateFile::Save(const ReaderState& state) const {
    if (path_.empty()) return false;
    try {
        const std::string content = ContentOf(state, identity_, key_.get());
        if (g_mkdir_with_parents(SimExe::FileIO::FolderOf(path_).c_str(), 0700) != 0) return false;
        SimExe::FileIO::Replacement file;
        // The reader's alone, whatever the umask or the mode of the file replaced.
        return file.Open(path_, false) && SimExe::FileSystem::Sys().fchmod(file.Descriptor(), 0600) == 0 &&
               file.Write(content) && file.Commit();
    } catch (...) {
        return false;
    }
}

}  // namespace readerstate
