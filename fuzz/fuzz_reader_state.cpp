// Fuzz target: a reader's state as a damaged or hostile state file may hold
// it. The first byte chooses what the rest is:
//   0: the state's text. Decoded, it keeps within every bound and encodes
//      to a text that decodes to the same state.
//   1: a clear book's state file. What loads keeps within the bounds, and
//      saved for a protected book (sealed with a fixed key) loads back the same.
//   2: a protected book's state file, which never loads: nobody without the
//      key makes one.
#include "BookKey.h"
#include "StateFile.h"

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using readerstate::ReaderState;

constexpr char kIdentity[] = "0123456789abcdef0123456789abcdef";

// A folder of state files for this run, removed when the program ends.
struct ScratchFolder {
    std::string path;
    ScratchFolder() {
        char name[] = "/tmp/zorbin-fuzz-reader-state-XXXXXX";
        if (::mkdtemp(name)) path = name;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const std::string& Folder() {
    static const ScratchFolder folder;
    return folder.path;
}

const readerstate::StateFile& ProtectedFile() {
    static const readerstate::StateFile file(Folder(), kIdentity,
                                             protect::BookKey::FromBytes(std::string(protect::BookKey::kKeySize, 'K')));
    return file;
}

void CheckPlace(const readerstate::Place& place) {
    if (place.page.size() > readerstate::kMaxTextSize || place.spot.size() > readerstate::kMaxTextSize) std::abort();
    if (!(place.fraction >= 0 && place.fraction <= 1)) std::abort();
}

void CheckBounds(const ReaderState& state) {
    CheckPlace(state.place);
    if (!(state.zoom >= readerstate::kMinZoom && state.zoom <= readerstate::kMaxZoom)) std::abort();
    for (const int pixels : {state.windowWidth, state.windowHeight, state.contentsWidth})
        if (pixels < 0 || pixels > readerstate::kMaxPixels) std::abort();
    if (state.bookmarks.size() > readerstate::kMaxBookmarks) std::abort();
    for (const readerstate::Bookmark& bookmark : state.bookmarks) {
        if (bookmark.name.size() > readerstate::kMaxTextSize) std::abort();
        CheckPlace(bookmark.place);
    }
}

void Text(std::string_view bytes) {
    const std::optional<ReaderState> state = readerstate::Decode(bytes);
    if (!state) return;
    CheckBounds(*state);
    if (readerstate::Decode(readerstate::Encode(*state)) != state) std::abort();
}

std::optional<ReaderState> Loaded(const readerstate::StateFile& file, std::string_view bytes) {
    std::ofstream(file.FilePath(), std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
    return file.Load();
}

void ClearFile(std::string_view bytes) {
    const std::optional<ReaderState> state = Loaded(readerstate::StateFile(Folder(), kIdentity, nullptr), bytes);
    if (!state) return;
    CheckBounds(*state);
    if (!ProtectedFile().Save(*state) || ProtectedFile().Load() != state) std::abort();
}

void ProtectedFileBytes(std::string_view bytes) {
    if (Loaded(ProtectedFile(), bytes)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
        case 0: Text(rest); break;
        case 1: ClearFile(rest); break;
        default: ProtectedFileBytes(rest); break;
    }
    return 0;
}
