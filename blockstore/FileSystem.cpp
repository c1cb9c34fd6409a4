// The table of file system calls, filled with the operating system's own.
#include "FileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace SimExe::FileSystem {

namespace {

int OpenFile(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

Calls& InUse() {
    static Calls calls = Native();
    return calls;
}

}  // namespace

const Calls& Native() {
    static const Calls native{OpenFile, ::mkostemp, ::read,   ::pread,   ::write,   ::fsync,    ::close,
                              ::rename, ::unlink,   ::fstat,  ::stat,    ::lstat,   ::realpath, ::fchmod,
                              ::chmod,  ::flock,    ::access, ::mkdir,   ::opendir, ::readdir,  ::closedir};
    return native;
}

const Calls& Sys() { return InUse(); }

Calls Install(const Calls& calls) {
    Calls previous = InUse();
    InUse() = calls;
    return previous;
}

}  // namespace SimExe::FileSystem
