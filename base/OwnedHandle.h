// A C library's handle held by its owner, which closes it with the
// library's own function (`Close`) on every way out of the scope. The
// library's opening function writes the handle straight into its owner
// through Out(), so nothing that throws after the opening can leak it.
#pragma once

namespace base {

template <typename Handle, auto Close>
class OwnedHandle {
public:
    OwnedHandle() = default;
    ~OwnedHandle() { Reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    Handle get() const { return handle_; }
    // Where an opening function puts the handle it opens; the one held
    // before is closed first.
    Handle* Out() {
        Reset();
        return &handle_;
    }

    // Closes the handle held, if any.
    void Reset() {
        if (handle_) Close(handle_);
        handle_ = nullptr;
    }

private:
    Handle handle_ = nullptr;
};

}  // namespace base
