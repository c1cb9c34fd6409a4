// The compiler without a window: scripted builds from the command line.
#pragma once

#include <string>

namespace compiler {

// Handles the command line when it asks for something other than the
// window; returns the exit status, or -1 when the window should open.
// Relative paths are taken against startFolder, the folder the program was
// started from.
int RunCommandLine(int argc, char** argv, const std::string& startFolder);

}  // namespace compiler
