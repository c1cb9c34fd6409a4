// Start-up housekeeping, run once before any window: the executable's folder
// becomes the current directory, a read-only program moves to a writable
// copy under the home folder, and the "temp0a0.exe" exchange lets a program's
// own file be rewritten.
#pragma once

#include <optional>
#include <string>

namespace SimExe {

// Runs the sequence (only the first call does anything). True when the
// program must end now: another copy of it has been started.
bool Housekeeping(int argc, char** argv);

// The housekeeping as a program's main runs it: the exit status when the
// program is to end there (0, or 1 when a file could not be read or
// written, reported in one line on standard error), nothing when it goes on.
std::optional<int> HousekeepingBeforeStart(int argc, char** argv);

// The temporary executable's side of the exchange: the target file, made
// writable when it is read-only, is replaced as a whole by the program's own
// image (the block store when it holds one). A failure raises "Cannot create
// file %s" and leaves the target as it was.
void ReplaceProgramFile(const std::string& target);

}  // namespace SimExe
