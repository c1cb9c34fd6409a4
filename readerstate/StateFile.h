// One book's state file: where the viewer keeps the reader's state of that
// book, found by the book's identity and never by its path. A clear book's
// file names the book inside; a protected book's file is sealed whole with
// the book's key, and its name is made with the key too, so neither its
// name nor its bytes tell which book it belongs to or where its reader was.
#pragma once

#include "ReaderState.h"

#include <memory>
#include <optional>
#include <string>

namespace protect {
class BookKey;
}

namespace readerstate {

class StateFile {
public:
    // `folder`: where state files live; `identity`: the book's identity;
    // `key`: the book's key when it is protected (null otherwise).
    StateFile(std::string folder, std::string identity, std::shared_ptr<const protect::BookKey> key);
    // $XDG_STATE_HOME/zorbin-ebook when XDG_STATE_HOME is an absolute path,
    // else $HOME/.local/state/zorbin-ebook.
    static std::string DefaultFolder();

    // The state saved last; nothing when there is none, or the file cannot
    // be read, is damaged, is another book's, or was written by a later
    // version. Never throws.
    std::optional<ReaderState> Load() const;
    // Replaces the file with `state` atomically, creating the folder (mode
    // 0700) when it is missing: the file holds the old state or the new one,
    // whatever happens. False on any failure. Never throws.
    bool Save(const ReaderState& state) const;

    // The file's path; empty when no name could be made for it (Load and
    // Save then fail).
    const std::string& FilePath() const { return path_; }

private:
    std::string identity_;
    std::shared_ptr<const protect::BookKey> key_;
    std::string path_;
};

}  // namespace readerstate
