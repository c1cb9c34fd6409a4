// The block store and the file, shell and pause utilities it shares.
#include "SimExe.h"

#include "Ascii.h"
#include "FileIO.h"
#include "ZLibEx.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace SimExe {

using FileIO::FolderOf;
using FileIO::ReadWholeFile;

namespace {

// The marker texts and the name terminator are kept apart from every block
// name and joined only at run time, so no executable carries a complete
// marker in its own bytes (a lookup in it would stop there).
const char kStartTag[] = "#1!#";
const char kEndTag[] = "!2!#";
const char kNameEnd = '\xB6';

MessagePump& Pump() { static MessagePump pump; return pump; }
TickSource& Ticks() { static TickSource ticks; return ticks; }
ShellOpener& Opener() { static ShellOpener opener; return opener; }

// Starts a program detached from this process (no zombie is left behind).
void SpawnDetached(const std::string& file, const std::vector<std::string>& args, bool searchPath) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child = ::fork();
    if (child < 0) return;
    if (child == 0) {
        ::setsid();
        if (::fork() == 0) {
            if (searchPath)
                ::execvp(file.c_str(), argv.data());
            else
                ::execv(file.c_str(), argv.data());
        }
        ::_exit(127);
    }
    int status;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

EFOpenError::EFOpenError(const std::string& fileName) : EFileError("Cannot open file " + fileName) {}
EFCreateError::EFCreateError(const std::string& fileName) : EFileError("Cannot create file " + fileName) {}

TBlockStore& BlockStore() {
    static TBlockStore store;
    return store;
}

std::string FoldName(std::string_view name) { return ascii::Upper(name); }

std::string StartMarker(std::string_view name) {
    std::string marker = kStartTag;
    marker += name;
    marker += kNameEnd;
    return FoldName(marker);
}

std::string EndMarker(std::string_view name) {
    std::string marker = kEndTag;
    marker += name;
    return FoldName(marker);
}

std::optional<std::string_view> FindBlock(std::string_view container, std::string_view name) {
    const std::string start = StartMarker(name);
    std::size_t at = container.find(start);
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t begin = at + start.size();
    std::size_t end = container.find(EndMarker(name), begin);
    if (end == std::string_view::npos) end = begin;
    return container.substr(begin, end - begin);
}

std::string ExecutablePath() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<std::size_t>(n));
}

std::string ExecutableFolder() { return FolderOf(ExecutablePath()); }

namespace {
std::string& OwnImageFile() {
    static std::string path;
    return path;
}
}  // namespace

void SetOwnImageFile(std::string path) { OwnImageFile() = std::move(path); }

std::string OwnImagePath() { return OwnImageFile().empty() ? ExecutablePath() : OwnImageFile(); }

void LoadFile(TBlockStore& store, const std::string& fileName, const char* openName) {
    FileIO::Fd f;
    FileIO::OpenRegularFile(f, fileName, openName ? openName : fileName.c_str());
    if (!store.MapFile(f.fd)) store = ReadWholeFile(fileName, openName ? openName : fileName.c_str());
}

// The running program's own image is opened through /proc/self/exe, so it
// is found even when its file has been renamed, replaced or deleted
// meanwhile.
void LoadOwnImage() {
    const bool running = OwnImageFile().empty();
    LoadFile(BlockStore(), running ? ExecutablePath() : OwnImageFile(), running ? "/proc/self/exe" : nullptr);
}

std::string PathAgainst(const std::string& fileName, const std::string& relativeTo) {
    if (relativeTo.empty() || (!fileName.empty() && fileName[0] == '/')) return fileName;
    return relativeTo + "/" + fileName;
}

std::string ReadFileBytes(const std::string& fileName, const std::string& relativeTo) {
    return ReadWholeFile(fileName, PathAgainst(fileName, relativeTo).c_str());
}

void ChangeDirectory(const std::string& folder) {
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        // A failure to change directory is not reported.
    }
}

std::string LoadFileToString(const std::string& fileName) {
    ChangeDirectory(ExecutableFolder());
    return ReadWholeFile(fileName);
}

void SaveStringToFile(std::string_view data, const std::string& fileName, const std::string& folder,
                      bool executable) {
    if (data.empty()) return;
    ChangeDirectory(folder.empty() ? ExecutableFolder() : folder);
    if (!FileIO::ReplaceFile(fileName, data, executable)) throw EFCreateError(fileName);
}

namespace {
// Makes the output folder current. Unlike a plain save, a folder that cannot
// be entered fails here: the file would otherwise land in whatever folder
// was current.
void EnterOutputFolder(const std::string& fileName, const std::string& folder) {
    const bool entered = ::chdir((folder.empty() ? ExecutableFolder() : folder).c_str()) == 0;
    if (!entered && (fileName.empty() || fileName[0] != '/')) throw EFCreateError(fileName);
}
}  // namespace

TFileWriter::TFileWriter(const std::string& fileName, const std::string& folder, bool executable)
    : fileName_(fileName), file_(std::make_unique<FileIO::Replacement>()) {
    EnterOutputFolder(fileName, folder);
    if (!file_->Open(fileName, executable)) throw EFCreateError(fileName);
}

TFileWriter::~TFileWriter() = default;

void TFileWriter::Write(std::string_view piece) {
    if (!file_->Write(piece)) throw EFCreateError(fileName_);
}

void TFileWriter::WriteBlock(const std::string& blockName, std::string_view payload) {
    Write(StartMarker(blockName));
    Write(payload);
    Write(EndMarker(blockName));
}

// The mapping is made while the temporary file is still open; it goes on
// showing the same file once that has taken the old one's place.
void TFileWriter::CommitToBlockStore() {
    if (!BlockStore().MapFile(file_->Descriptor())) BlockStore().clear();
    if (!file_->Commit()) {
        BlockStore().clear();
        throw EFCreateError(fileName_);
    }
}

// The file is mapped rather than read whole: only the pages the lookup
// passes over and the payload's own are read, and nothing is copied but
// the payload.
void ExtractBlockFromFile(const std::string& blockName, const std::string& fileName, std::string& payload) {
    ChangeDirectory(ExecutableFolder());
    TBlockStore file;
    LoadFile(file, fileName);
    if (auto found = FindBlock(file.View(), blockName)) payload.assign(*found);
}

namespace {
// Start marker, payload and end marker in one piece, so a payload that is a
// view of the container itself survives the container growing.
std::string BlockOf(const std::string& blockName, std::string_view payload) {
    std::string block = StartMarker(blockName);
    block.reserve(block.size() + payload.size() + block.size());
    block += payload;
    block += EndMarker(blockName);
    return block;
}
}  // namespace

void AppendBlock(const std::string& blockName, std::string_view payload, std::string& container) {
    if (!blockName.empty()) container += BlockOf(blockName, payload);
}

void AppendBlock(const std::string& blockName, std::string_view payload, TBlockStore& store) {
    if (!blockName.empty()) store += BlockOf(blockName, payload);
}

void AddFileBlock(const std::string& blockName, const std::string& fileName) {
    if (blockName.empty()) return;
    const std::string data = LoadFileToString(fileName);
    AppendBlock(blockName, ZLibEx::CompressString(data, ZLibEx::lvDefault), BlockStore());
}

void AddStringBlock(const std::string& blockName, const std::string& value) {
    if (blockName.empty()) return;
    AppendBlock(blockName, ZLibEx::CompressString(value, ZLibEx::lvDefault), BlockStore());
}

bool ReadBlock(const std::string& blockName, std::string& value) {
    if (BlockStore().empty()) LoadOwnImage();
    return BlockStore().ReadBlock(blockName, value);
}

void SaveImageToFile(const std::string& fileName) {
    if (BlockStore().empty()) LoadOwnImage();
    SaveStringToFile(BlockStore().View(), fileName, "", true);
}

void RunProgram(const std::string& target, const std::string& parameter) {
    if (target.empty()) return;
    if (IsExecutableFile(target)) {
        std::string file = target.find('/') == std::string::npos ? "./" + target : target;
        std::vector<std::string> args{file};
        if (!parameter.empty()) args.push_back(parameter);
        SpawnDetached(file, args, false);
    } else if (Opener()) {
        Opener()(target);
    } else {
        SpawnDetached("xdg-open", {"xdg-open", target}, true);
    }
}

std::uint32_t TickCount() {
    if (Ticks()) return Ticks()();
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// With windows the pause polls their messages without sleeping; a program
// without windows has none to process, so it sleeps and leaves the cores to
// the work going on meanwhile.
void Delay(std::uint32_t milliseconds) {
    const std::uint32_t start = TickCount();
    do {
        if (Pump())
            Pump()();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (static_cast<std::uint32_t>(TickCount() - start) < milliseconds);
}

std::string RelocationRoot() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return "/";
}

void SetMessagePump(MessagePump pump) { Pump() = std::move(pump); }
void SetTickSource(TickSource ticks) { Ticks() = std::move(ticks); }
void SetShellOpener(ShellOpener opener) { Opener() = std::move(opener); }

}  // namespace SimExe
