// The file reading and replacing underneath the block store: regular files
// read without blocking, whole or in pieces, and files replaced atomically.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace SimExe::FileIO {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd();
};

// Writes all of `data` to a descriptor, going on after interrupted and
// partial writes; false when a write fails or takes nothing.
bool WriteAll(int fd, std::string_view data);

// Opens a regular file for reading without blocking and returns its size.
// Anything else (a folder, a FIFO, a device) raises EFOpenError(fileName).
// `openName` is what is opened, when it differs from the name errors give.
std::size_t OpenRegularFile(Fd& f, const std::string& fileName, const char* openName = nullptr);

// Reads a whole regular file, opened as above; a failure raises
// EFOpenError(fileName).
std::string ReadWholeFile(const std::string& fileName, const char* openName = nullptr);

// A regular file opened once, as OpenRegularFile opens it, and read in
// pieces at any offsets, by several threads at once.
class PieceReader {
public:
    PieceReader(const std::string& fileName, const char* openName = nullptr);

    // The file's size when it was opened.
    std::uint64_t Size() const { return size_; }
    // Up to `length` bytes from `offset`, fewer only where the file ends
    // sooner; a failing read raises EFOpenError(fileName).
    std::string Read(std::uint64_t offset, std::size_t length) const;
    // The same bytes, read into `buffer`, whose memory is reused: it only
    // grows, and what it held past the bytes read is left as it was. The
    // view is good until `buffer` next changes.
    std::string_view ReadInto(std::string& buffer, std::uint64_t offset, std::size_t length) const;

private:
    std::string name_;
    Fd file_;
    std::uint64_t size_ = 0;
};

// A file replaced by new content written piece by piece: the pieces go to
// a locked temporary file beside it, which takes its place on Commit. Until
// then the file keeps its old content; dropped without Commit, the
// temporary file is removed and nothing is left behind.
class Replacement {
public:
    Replacement() = default;
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    // Creates the temporary file, with the mode the replaced file had (a new
    // one: the usual mode under the umask; an executable also gets execute
    // bits where it can be read). False when the file cannot be replaced: a
    // folder, a read-only file, or one whose state cannot be read.
    bool Open(const std::string& path, bool executable);
    bool Write(std::string_view piece);
    // The temporary file, open for reading and writing until Commit.
    int Descriptor() const { return file_.fd; }
    // The content reaches the disk and is renamed over the file; false when
    // that failed, with nothing left behind.
    bool Commit();

private:
    std::string target_, temp_;
    Fd file_;
    std::uint64_t written_ = 0;  // bytes written so far
    std::uint64_t flushing_ = 0;  // bytes whose writing to the disk has begun
};

// Replaces (or creates) a file so that it holds either its old content or
// all of the new one; false when that failed, with nothing left behind.
bool ReplaceFile(const std::string& path, std::string_view data, bool executable);

std::string BaseName(const std::string& path);
std::string FolderOf(const std::string& path);

}  // namespace SimExe::FileIO
