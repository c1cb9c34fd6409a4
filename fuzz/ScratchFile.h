// A scratch file for fuzz targets that hand their input to code reading a
// file: made once, rewritten for every input, removed when the program ends.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

class ScratchFile {
public:
    explicit ScratchFile(const char* kind) {
        std::string name = std::string("/tmp/zorbin-fuzz-") + kind + "-XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd >= 0) ::close(fd);
        path_ = name;
    }
    ~ScratchFile() { ::unlink(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the file's content; returns its path.
    const std::string& Write(const void* data, std::size_t size) const {
        if (std::FILE* f = std::fopen(path_.c_str(), "wb")) {
            std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
        return path_;
    }

private:
    std::string path_;
};
