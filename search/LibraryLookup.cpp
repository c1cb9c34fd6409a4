// Run-time look-up of the text libraries through the dynamic loader.
#include "LibraryLookup.h"

#include "Ascii.h"

#include <dlfcn.h>
#include <link.h>

#include <string_view>
#include <vector>

namespace search {

namespace {

std::string_view FileName(std::string_view path) { return path.substr(path.rfind('/') + 1); }

// The path of a library loaded into the process whose file name begins
// with `prefix`; empty when there is none.
std::string LoadedFileStartingWith(const std::string& prefix) {
    struct Search {
        const std::string& prefix;
        std::string path;
    } search{prefix, {}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto& search = *static_cast<Search*>(data);
            const std::string_view path = info->dlpi_name ? info->dlpi_name : "";
            if (!FileName(path).starts_with(search.prefix)) return 0;
            search.path = path;
            return 1;
        },
        &search);
    return search.path;
}

struct Library {
    void* handle = nullptr;
    std::string file;  // its file name as found
};

// The library loaded already, else the first release of it that opens.
Library OpenLoadedOrFirst(const std::string& prefix, const std::vector<std::string>& releases) {
    if (const std::string loaded = LoadedFileStartingWith(prefix); !loaded.empty()) {
        if (void* handle = dlopen(loaded.c_str(), RTLD_NOW | RTLD_NOLOAD))
            return {handle, std::string(FileName(loaded))};
    }
    for (const std::string& release : releases)
        if (void* handle = dlopen((prefix + release).c_str(), RTLD_NOW | RTLD_LOCAL)) return {handle, prefix + release};
    return {};
}

// ICU's major releases, newest first, for a process that has none loaded.
std::vector<std::string> IcuReleases() {
    std::vector<std::string> releases;
    for (int release = 99; release >= 50; --release) releases.push_back(std::to_string(release));
    return releases;
}

// The major release in an ICU file's name ("libicuuc.so.76.1" is "76").
std::string IcuRelease(std::string_view file, std::string_view prefix) {
    std::string release;
    for (std::size_t i = prefix.size(); i < file.size() && ascii::IsDigit(file[i]); ++i)
        release += file[i];
    return release;
}

// Sets `function` to the library's function of that name, with `suffix`
// added when the library has it so (ICU's renamed symbols), else as it
// stands; notes the first name not found in `missing`.
template <typename Function>
void Resolve(Function& function, const Library& library, const char* name, const std::string& suffix,
             std::string& missing) {
    void* symbol = suffix.empty() ? nullptr : dlsym(library.handle, (name + suffix).c_str());
    if (!symbol) symbol = dlsym(library.handle, name);
    function = reinterpret_cast<Function>(symbol);
    if (!symbol && missing.empty()) missing = library.file + " has no " + name;
}

}  // namespace

FoundLibraries LookUpTextLibraries(const LibraryNames& names) {
    FoundLibraries found;
    const Library icu = OpenLoadedOrFirst(names.icu, IcuReleases());
    if (!icu.handle) {
        found.whyNone = "no ICU library (" + names.icu + "*) was found.";
        return found;
    }
    const std::string release = IcuRelease(icu.file, names.icu);
    const std::string icuSuffix = release.empty() ? "" : "_" + release;
    TextLibraries table;
    std::string missing;
#define ZORBIN_FIND_ICU(name) Resolve(table.icu.name##_, icu, #name, icuSuffix, missing);
    ZORBIN_ICU_FUNCTIONS(ZORBIN_FIND_ICU)
#undef ZORBIN_FIND_ICU
    if (!missing.empty()) {
        found.whyNone = missing + ".";
        return found;
    }
    table.release = "ICU " + release;
    found.libraries = table;
    return found;
}

}  // namespace search
