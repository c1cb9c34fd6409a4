// What the viewer keeps of its reader for one book: the state read when the
// book opens, changed as the reader goes, written at most once a second
// while it changes and once more when the book closes. Nothing is written
// while nothing changes.
#pragma once

#include "StateFile.h"

#include <functional>
#include <memory>

namespace viewer {

class ReaderKeeper {
public:
    // Reads the state the file holds (a new one when it holds none that reads).
    explicit ReaderKeeper(readerstate::StateFile file);
    ReaderKeeper(const ReaderKeeper&) = delete;
    ReaderKeeper& operator=(const ReaderKeeper&) = delete;

    const readerstate::ReaderState& State() const { return state_; }
    // Changes the state; it is written within a second when it really changed.
    void Change(const std::function<void(readerstate::ReaderState&)>& edit);
    // Writes the state now when it changed since it was last written.
    void Flush();

private:
    readerstate::StateFile file_;
    readerstate::ReaderState state_, written_;
    bool due_ = false;  // a write is called for later
    // Reaches the keeper from a write called for later, unless it went first
    // (the only owner: a weak one expires with the keeper).
    std::shared_ptr<ReaderKeeper*> self_ = std::make_shared<ReaderKeeper*>(this);
};

}  // namespace viewer
