// The file reading and replacing underneath the block store: whole regular
// files read without blocking, and files replaced atomically.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace SimExe::FileIO {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd();
};

// Opens a regular file for reading without blocking and returns its size.
// Anything else (a folder, a FIFO, a device) raises EFOpenError(fileName).
// `openName` is what is opened, when it differs from the name errors give.
std::size_t OpenRegularFile(Fd& f, const std::string& fileName, const char* openName = nullptr);

// Reads a whole regular file, opened as above; a failure raises
// EFOpenError(fileName).
std::string ReadWholeFile(const std::string& fileName, const char* openName = nullptr);

// Replaces (or creates) a file so that it holds either its old content or
// all of the new one; false when that failed, with nothing left behind.
bool ReplaceFile(const std::string& path, std::string_view data, bool executable);

// True when ReplaceFile could create or replace the file; writes nothing.
bool CanReplace(const std::string& path);

std::string BaseName(const std::string& path);
std::string FolderOf(const std::string& path);

}  // namespace SimExe::FileIO
