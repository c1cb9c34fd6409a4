// Build tool: writes OUTPUT as the bytes of TARGET followed by one block
// NAME whose payload is the bytes of PAYLOAD, stored as they are. The build
// uses it to put the viewer program inside the compiler.
#include "SimExe.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: append_block NAME PAYLOAD TARGET OUTPUT\n";
        return 2;
    }
    try {
        std::string image = SimExe::LoadFileToString(argv[3]);
        SimExe::AppendBlock(argv[1], SimExe::LoadFileToString(argv[2]), image);
        SimExe::SaveStringToFile(image, argv[4], "", true);
    } catch (const std::exception& e) {
        std::cerr << "append_block: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
