// A program that runs the start-up housekeeping and then appends one line
// about itself to the file named by $PROBE_LOG, for the housekeeping tests.
#include "Housekeeping.h"
#include "SimExe.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    // Taken before the housekeeping: a restarted program may delete this
    // one's file as soon as it is running.
    const std::string self = SimExe::ExecutablePath();
    const auto exit = SimExe::HousekeepingBeforeStart(argc, argv);
    if (exit && *exit != 0) return *exit;
    const bool end = exit.has_value();
    const std::string image = SimExe::ReadFileBytes("/proc/self/exe");
    const bool updated = image.size() >= 11 && image.compare(image.size() - 11, 11, "NEW-VERSION") == 0;
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) cwd[0] = 0;
    if (const char* log = std::getenv("PROBE_LOG")) {
        if (std::FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "%s|%s|end=%d|cwd=%s|updated=%d\n", self.c_str(), argc > 1 ? argv[1] : "", end ? 1 : 0,
                         cwd, updated ? 1 : 0);
            std::fclose(f);
        }
    }
    return 0;
}
