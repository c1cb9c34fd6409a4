// The reader's state, kept.
#include "ReaderKeeper.h"

#include "Forms.h"

namespace viewer {

namespace {

constexpr int kWritePause = 1000;  // ms

}  // namespace

ReaderKeeper::ReaderKeeper(readerstate::StateFile file) : file_(std::move(file)) {
    state_ = written_ = file_.Load().value_or(readerstate::ReaderState{});
}

void ReaderKeeper::Change(const std::function<void(readerstate::ReaderState&)>& edit) {
    edit(state_);
    if (state_ == written_ || due_) return;
    due_ = true;
    toolkit::Application().windows().CallLater(kWritePause, [self = std::weak_ptr<ReaderKeeper*>(self_)] {
        if (const auto keeper = self.lock()) (*keeper)->Flush();
    });
}

// A failed write is not the reader's concern: the book reads on, and the
// next change tries again.
void ReaderKeeper::Flush() {
    due_ = false;
    if (state_ == written_) return;
    if (file_.Save(state_)) written_ = state_;
}

}  // namespace viewer
