// The window module, loaded from a file in memory.
#include "WindowModule.h"

#include "BookInspection.h"
#include "FileIO.h"
#include "SimExe.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace compiler {

namespace {

using Initialize = bool (*)(int* argc, char*** argv, const char* desktopId);

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error("the window module " + what); }

template <typename Record>
Record RecordAt(std::string_view bytes, std::size_t offset) {
    Record record;
    std::memcpy(&record, bytes.data() + offset, sizeof record);
    return record;
}

// Whether `bytes` hold all of the object their ELF header describes: the
// loader maps each segment as far as the header says it reaches, and a
// module cut short would fault where the file ends instead of failing.
bool IsWholeObject(std::string_view bytes) {
    if (bytes.size() < sizeof(ElfW(Ehdr))) return false;
    const auto header = RecordAt<ElfW(Ehdr)>(bytes, 0);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_phentsize != sizeof(ElfW(Phdr))) return false;
    if (header.e_phoff > bytes.size() || header.e_phnum > (bytes.size() - header.e_phoff) / sizeof(ElfW(Phdr)))
        return false;
    for (std::size_t i = 0; i < header.e_phnum; ++i) {
        const auto segment = RecordAt<ElfW(Phdr)>(bytes, header.e_phoff + i * sizeof(ElfW(Phdr)));
        if (segment.p_offset > bytes.size() || segment.p_filesz > bytes.size() - segment.p_offset) return false;
    }
    return true;
}

// Loads a shared object from its bytes, through a file that lives only in
// memory; it stays loaded for the program's life.
void* LoadFromMemory(const std::string& bytes) {
    const SimExe::FileIO::Fd file{::memfd_create("zorbin-compiler-window", MFD_CLOEXEC)};
    if (file.fd < 0) Fail(std::string("cannot be given memory: ") + std::strerror(errno));
    if (!SimExe::FileIO::WriteAll(file.fd, bytes))
        Fail(std::string("cannot be written to memory: ") + std::strerror(errno));
    const std::string path = "/proc/self/fd/" + std::to_string(file.fd);
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) Fail(std::string("cannot be loaded: ") + ::dlerror());
    return module;
}

}  // namespace

bool OpenWindowSystem(int& argc, char**& argv, const char* desktopId) {
    const std::string compilerFile = SimExe::OwnImagePath();
    std::string bytes;
    SimExe::ExtractBlockFromFile(kWindowModuleBlock, compilerFile, bytes);
    if (bytes.empty()) Fail("is missing from the compiler's own file " + compilerFile);
    if (!IsWholeObject(bytes)) Fail("is damaged in the compiler's own file " + compilerFile);
    const auto initialize = reinterpret_cast<Initialize>(::dlsym(LoadFromMemory(bytes), "zorbin_gtk_initialize"));
    if (!initialize) Fail("has no entry to open the display");
    return initialize(&argc, &argv, desktopId);
}

}  // namespace compiler
