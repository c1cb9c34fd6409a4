// The compiler program: a scripted build from the command line, or the
// wizard window until it closes.
#include "CommandLine.h"
#include "Housekeeping.h"
#include "WindowModule.h"
#include "compilerUnit1.h"

#include <unistd.h>

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    char startFolder[4096];
    if (!::getcwd(startFolder, sizeof startFolder)) startFolder[0] = 0;
    if (const auto exit = SimExe::HousekeepingBeforeStart(argc, argv)) return *exit;
    toolkit::TApplication& app = toolkit::Application();
    app.Title = "Zorbin eBook Compiler";
    if (int status = compiler::RunCommandLine(argc, argv, startFolder); status >= 0) return status;

    bool displayOpened = false;
    try {
        displayOpened = compiler::OpenWindowSystem(argc, argv, "org.zorbin.Compiler");
    } catch (const std::exception& e) {
        std::cerr << "zorbin-compiler: " << e.what() << "\n";
        return 1;
    }
    if (!displayOpened) {
        std::cerr << "zorbin-compiler: cannot open a display; the wizard window needs a graphical desktop "
                     "session (try 'zorbin-compiler --help' for the command-line build)\n";
        return 1;
    }
    compiler::TForm1 form;
    form.FormCreate();
    app.SetMainForm(&form);
    app.Run();
    return 0;
}
