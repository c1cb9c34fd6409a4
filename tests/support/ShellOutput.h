// What a shell command line writes on its standard output, for tests that
// run whole programs.
#pragma once

#include <cstdio>
#include <string>

inline std::string ShellOutput(const std::string& commandLine) {
    std::string out;
    if (FILE* pipe = ::popen(commandLine.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}
