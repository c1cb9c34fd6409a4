// The file reading and replacing underneath the block store: whole regular
// files read without blocking, and files replaced atomically.
#pragma once

#include <string>

namespace SimExe::FileIO {

// Reads a whole regular file. Anything else (a folder, a FIFO, a device) is
// refused rather than read, so a read never blocks; a failure raises
// EFOpenError(fileName). `openName` is what is opened, when it differs from
// the name errors give.
std::string ReadWholeFile(const std::string& fileName, const char* openName = nullptr);

// Replaces (or creates) a file so that it holds either its old content or
// all of the new one; false when that failed, with nothing left behind.
bool ReplaceFile(const std::string& path, const std::string& data, bool executable);

// True when ReplaceFile could create or replace the file; writes nothing.
bool CanReplace(const std::string& path);

std::string BaseName(const std::string& path);
std::string FolderOf(const std::string& path);

}  // namespace SimExe::FileIO
