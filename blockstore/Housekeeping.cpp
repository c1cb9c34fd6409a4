// Start-up housekeeping.
#include "Housekeeping.h"

#include "FileSystem.h"
#include "SimExe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace SimExe {

using FileSystem::Sys;

namespace {

const char* const kTempExecutable = "temp0a0.exe";
const char* const kCleanupParameter = "deltemp";
// A file that cannot be deleted is given up on after this many 10 ms tries.
constexpr int kDeleteTries = 1000;

bool IsReadOnly(const std::string& path) {
    struct stat st;
    return Sys().stat(path.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR);
}

void ToggleReadOnly(const std::string& path) {
    struct stat st;
    if (Sys().stat(path.c_str(), &st) == 0) Sys().chmod(path.c_str(), (st.st_mode & 07777) ^ S_IWUSR);
}

// The third byte of the program's own file; programs as built carry a
// non-zero byte there ('L' of an ELF header). A file that cannot be read
// that far counts as set.
bool SwitchByteSet(const std::string& path) {
    const int fd = Sys().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (fd < 0) return true;
    char head[3];
    ssize_t n;
    do n = Sys().read(fd, head, sizeof head);
    while (n < 0 && errno == EINTR);
    Sys().close(fd);
    return n < static_cast<ssize_t>(sizeof head) || head[2] != 0;
}

// Deletes a file that another process may still hold, retrying every 10 ms.
// Ends when the file is gone, also when it was never there, and gives up
// after about ten seconds.
void DeleteWhenFree(const std::string& path) {
    for (int tries = 0; tries < kDeleteTries; ++tries) {
        if (Sys().unlink(path.c_str()) == 0 || errno == ENOENT) return;
        if (IsReadOnly(path)) ToggleReadOnly(path);
        Delay(10);
    }
}

// A program that cannot write its own file starts its copy under the home
// folder instead, writing that copy first when there is none.
void Relocate(const std::string& name) {
    const std::string folder = RelocationRoot() + "/" + name;
    const std::string copy = folder + "/" + name;
    if (Sys().access(copy.c_str(), F_OK) != 0) {
        Sys().mkdir(folder.c_str(), 0755);
        SaveImageToFile(copy);
    }
    RunProgram(copy);
}

}  // namespace

void ReplaceProgramFile(const std::string& target) {
    if (IsReadOnly(target)) ToggleReadOnly(target);
    SaveImageToFile(target);
}

bool Housekeeping(int argc, char** argv) {
    static bool done = false;
    if (done) return false;
    done = true;

    const std::string self = ExecutablePath();
    const std::string name = self.substr(self.rfind('/') + 1);
    const std::string first = argc > 1 && argv[1] ? argv[1] : "";
    bool end = false;

    ChangeDirectory(ExecutableFolder());
    if (IsReadOnly(self)) {
        if (!SwitchByteSet(self)) return false;
        ToggleReadOnly(self);
        if (IsReadOnly(self)) {
            Relocate(name);
            end = true;
        }
    }
    if (first == kCleanupParameter) DeleteWhenFree(kTempExecutable);
    if (FoldName(name) == "TEMP0A0.EXE") {
        LoadOwnImage();
        if (!first.empty()) {
            ReplaceProgramFile(first);
            RunProgram(first, kCleanupParameter);
        }
        end = true;
    }
    return end;
}

std::optional<int> HousekeepingBeforeStart(int argc, char** argv) {
    try {
        if (Housekeeping(argc, argv)) return 0;
        return std::nullopt;
    } catch (const EFileError& e) {
        std::fprintf(stderr, "%s: %s\n", argc > 0 && argv[0] ? argv[0] : "zorbin", e.what());
        return 1;
    }
}

}  // namespace SimExe
