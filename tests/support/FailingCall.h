// Makes one call of the block store's file layer fail, and runs an operation
// with each of its calls failing in turn.
#pragma once

#include "FileSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <type_traits>

// While it lives, the nth call through the file-system table (counting from
// 1, of every kind or of one kind only) fails with the given error; every
// other call goes to the table that was in use before.
class FailingCall {
public:
    using Calls = SimExe::FileSystem::Calls;
    using Kind = const void*;

    // The kind of one call, e.g. FailingCall::KindOf<&FailingCall::Calls::write>().
    template <auto Member>
    static Kind KindOf() {
        static const char id = 0;
        return &id;
    }

    FailingCall(int nth, int error, Kind only = nullptr) : nth_(nth), error_(error), only_(only) {
        Calls c;
        c.open = Hook<&Calls::open>::Call;
        c.mkostemp = Hook<&Calls::mkostemp>::Call;
        c.read = Hook<&Calls::read>::Call;
        c.pread = Hook<&Calls::pread>::Call;
        c.write = Hook<&Calls::write>::Call;
        c.fsync = Hook<&Calls::fsync>::Call;
        c.close = Hook<&Calls::close>::Call;
        c.rename = Hook<&Calls::rename>::Call;
        c.unlink = Hook<&Calls::unlink>::Call;
        c.fstat = Hook<&Calls::fstat>::Call;
        c.stat = Hook<&Calls::stat>::Call;
        c.lstat = Hook<&Calls::lstat>::Call;
        c.realpath = Hook<&Calls::realpath>::Call;
        c.fchmod = Hook<&Calls::fchmod>::Call;
        c.chmod = Hook<&Calls::chmod>::Call;
        c.flock = Hook<&Calls::flock>::Call;
        c.access = Hook<&Calls::access>::Call;
        c.mkdir = Hook<&Calls::mkdir>::Call;
        c.opendir = Hook<&Calls::opendir>::Call;
        c.readdir = Hook<&Calls::readdir>::Call;
        c.closedir = Hook<&Calls::closedir>::Call;
        active_ = this;
        real_ = SimExe::FileSystem::Install(c);
    }
    ~FailingCall() {
        SimExe::FileSystem::Install(real_);
        active_ = nullptr;
    }
    FailingCall(const FailingCall&) = delete;
    FailingCall& operator=(const FailingCall&) = delete;

    // True once the chosen call has been made (and failed).
    bool Fired() const { return seen_ >= nth_; }

private:
    template <auto Member>
    static constexpr bool Releases() {
        if constexpr (std::is_same_v<decltype(Member), decltype(&Calls::close)>)
            return Member == &Calls::close;
        else if constexpr (std::is_same_v<decltype(Member), decltype(&Calls::closedir)>)
            return Member == &Calls::closedir;
        return false;
    }

    template <auto Member>
    struct Hook;
    template <typename R, typename... A, R (*Calls::*Member)(A...)>
    struct Hook<Member> {
        static R Call(A... args) {
            FailingCall& self = *active_;
            if (!self.only_ || self.only_ == KindOf<Member>()) {
                if (++self.seen_ == self.nth_) {
                    // A failing close still releases, as Linux's does.
                    if constexpr (Releases<Member>()) (self.real_.*Member)(args...);
                    errno = self.error_;
                    if constexpr (std::is_pointer_v<R>)
                        return nullptr;
                    else
                        return -1;
                }
            }
            return (self.real_.*Member)(args...);
        }
    };

    static inline FailingCall* active_ = nullptr;
    const int nth_, error_;
    const Kind only_;
    std::atomic<int> seen_{0};  // page files are read on worker threads
    Calls real_;
};

// Runs the operation with call 1, 2, 3 … failing, until a run in which it
// makes no more calls than that; `check(failed)` runs after each run, and
// the first run it finds wrong ends the loop. Returns the number of calls
// the operation makes.
template <typename Operation, typename Check>
int FailEachCallInTurn(int error, Operation operation, Check check) {
    for (int nth = 1; nth < 100000; ++nth) {
        bool failed;
        {
            FailingCall fail(nth, error);
            operation();
            failed = fail.Fired();
        }
        SCOPED_TRACE("call " + std::to_string(nth) + (failed ? " failed" : " was not made"));
        check(failed);
        if (!failed || ::testing::Test::HasFailure()) return nth - 1;
    }
    ADD_FAILURE() << "the operation never ran out of calls";
    return 0;
}
