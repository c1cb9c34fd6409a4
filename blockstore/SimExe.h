// The block store: named blocks appended to an executable (or held in a
// project file), found again by text markers, plus the file input and output,
// shell "open" and message-pumping pause that both programs share.
#pragma once

#include "BlockStore.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace SimExe {

namespace FileIO {
class Replacement;
}

// File layer errors: "Cannot open file %s" and "Cannot create file %s".
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EFOpenError : public EFileError {
public:
    explicit EFOpenError(const std::string& fileName);
};
class EFCreateError : public EFileError {
public:
    explicit EFCreateError(const std::string& fileName);
};

// The process-wide block store: empty at start-up, released at exit.
TBlockStore& BlockStore();

// Block layout. A block is StartMarker(name) + payload + EndMarker(name); names
// are folded to upper case for the ASCII letters only.
std::string FoldName(std::string_view name);
std::string StartMarker(std::string_view name);
std::string EndMarker(std::string_view name);

// The block lookup: the first start marker of the name in the container, then
// the payload up to the first end marker after it (empty when there is none).
// Returns nothing when the start marker does not occur.
std::optional<std::string_view> FindBlock(std::string_view container, std::string_view name);

// Makes the folder the process's current directory; a failure is not reported.
void ChangeDirectory(const std::string& folder);

// Full path of the running executable, and its folder.
std::string ExecutablePath();
std::string ExecutableFolder();

// Fills a store with a file, mapped read-only (read whole when it cannot be
// mapped); `openName`, when given, is the name it is opened by, `fileName`
// the one errors show. Raises EFOpenError.
void LoadFile(TBlockStore& store, const std::string& fileName, const char* openName = nullptr);
// Fills the block store with the program's own file, mapped read-only.
void LoadOwnImage();
// The file LoadOwnImage reads in place of the running executable; empty
// (the default) means the running executable. For tests of whole programs.
void SetOwnImageFile(std::string path);
// The program's own file: the running executable, or the file set above.
std::string OwnImagePath();
std::string LoadFileToString(const std::string& fileName);
// The name a file is opened by: a relative name read against `relativeTo`
// when one is given, any other name as it is.
std::string PathAgainst(const std::string& fileName, const std::string& relativeTo);
// Reads a whole regular file, as LoadFileToString does but without changing
// the current directory, so worker threads can read side by side. A relative
// name is read against `relativeTo` when one is given; errors name the file
// as given.
std::string ReadFileBytes(const std::string& fileName, const std::string& relativeTo = "");
// Writes data as the file, replacing it atomically; an executable file is
// made runnable. Empty data writes nothing.
void SaveStringToFile(std::string_view data, const std::string& fileName, const std::string& folder,
                      bool executable = false);
// A file written piece by piece as its content is ready, for files too large
// to hold in memory: it replaces the file atomically on Commit, as
// SaveStringToFile does. A relative name is resolved in `folder` (empty: the
// executable's folder), which must exist. Dropped before Commit, it leaves
// the previous file as it was and nothing beside it. Every failure raises
// "Cannot create file %s".
class TFileWriter {
public:
    TFileWriter(const std::string& fileName, const std::string& folder, bool executable = false);
    ~TFileWriter();
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;

    void Write(std::string_view piece);
    // Start marker, payload and end marker.
    void WriteBlock(const std::string& blockName, std::string_view payload);
    // Puts the file in place and makes it the block store's content, mapped
    // (the store is left empty when the file cannot be mapped).
    void CommitToBlockStore();

private:
    std::string fileName_;
    std::unique_ptr<FileIO::Replacement> file_;
};
void ExtractBlockFromFile(const std::string& blockName, const std::string& fileName, std::string& payload);
void AppendBlock(const std::string& blockName, std::string_view payload, std::string& container);
void AppendBlock(const std::string& blockName, std::string_view payload, TBlockStore& store);
void AddFileBlock(const std::string& blockName, const std::string& fileName);
void AddStringBlock(const std::string& blockName, const std::string& value);
// True when the block is present; its decompressed payload is then in value.
bool ReadBlock(const std::string& blockName, std::string& value);
// Writes the block store (the program's own image when empty) as a runnable file.
void SaveImageToFile(const std::string& fileName);

// Opens a target: an executable file is started as a detached process (with
// the parameter, if any); anything else goes to the desktop's default handler.
// The result is not checked.
void RunProgram(const std::string& target, const std::string& parameter = "");

// Pauses for the given milliseconds while processing pending window messages.
void Delay(std::uint32_t milliseconds);

// The folder under which a program on read-only media puts its relocated
// copy: the user's home directory.
std::string RelocationRoot();

// Hooks the toolkit (and tests) connect.
using MessagePump = std::function<void()>;
using TickSource = std::function<std::uint32_t()>;
using ShellOpener = std::function<void(const std::string& target)>;
void SetMessagePump(MessagePump pump);        // processes pending messages once, without blocking
void SetTickSource(TickSource ticks);         // empty: the monotonic clock in milliseconds
void SetShellOpener(ShellOpener opener);      // empty: xdg-open
std::uint32_t TickCount();

}  // namespace SimExe
