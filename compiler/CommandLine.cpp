// Command-line build: opens a project as Open Project does and presses
// compile through the same code, printing the status on standard error.
#include "CommandLine.h"

#include "SimExe.h"
#include "compilerUnit1.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <thread>

#ifndef ZORBIN_VERSION
#define ZORBIN_VERSION "0"
#endif

namespace compiler {

namespace {

const char* const kUsage =
    "Usage: zorbin-compiler build PROJECT.zbp [-o OUTPUT] [--quiet]\n"
    "       zorbin-compiler build FOLDER [--first-page PAGE] [--title TITLE] [--author NAME] [-o OUTPUT] [--quiet]\n"
    "       zorbin-compiler --help | --version\n"
    "\n"
    "Without arguments the wizard window opens.\n"
    "\n"
    "  build PROJECT.zbp   compile a saved project into its eBook, as the window's\n"
    "                      compile button does\n"
    "  build FOLDER        compile a folder of pages with the window's default settings\n"
    "  --first-page PAGE   the page the eBook opens on (default: index.html, else the\n"
    "                      first .htm or .html page found)\n"
    "  --title TITLE       the eBook's title; --author NAME its author\n"
    "  -o, --output FILE   where to write the eBook (default for a folder: FOLDER.exe\n"
    "                      in the current folder; for a project: its own output file)\n"
    "  -q, --quiet         print nothing but errors\n";

// What the command line asks for.
struct BuildRequest {
    std::string source, output, firstPage, title, author;
    bool quiet = false;
};

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path.substr(path.rfind('/') + 1);
}

std::string Absolute(const std::string& path, const std::string& folder) {
    return path.empty() || path[0] == '/' ? path : folder + "/" + path;
}

std::string Lines(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
    return text;
}

// Message boxes become lines on standard error.
class ConsoleDialogs : public toolkit::ScriptedDialogs {
public:
    void MessageBox(const std::string& caption, const std::string& text, toolkit::MessageIcon icon) override {
        ScriptedDialogs::MessageBox(caption, text, icon);
        std::cerr << "zorbin-compiler: " << Lines(text) << "\n";
    }
};

// Fills the window as an author would: opens the project, or chooses the
// folder and its first page. False when that already failed.
bool Prepare(TForm1& form, ConsoleDialogs& dialogs, const BuildRequest& request) {
    if (!IsFolder(request.source)) {
        dialogs.fileAnswers.push_back(request.source);
        form.SpeedButton12->Click();
        return dialogs.messages.empty();
    }
    dialogs.folderAnswers.push_back(toolkit::FolderChoice{request.source, BaseName(request.source)});
    form.Button3->Click();
    const std::vector<std::string>& pages = form.vProject_homepage->Items();
    std::string first = request.firstPage;
    if (first.empty()) {
        first = pages.empty() ? "" : pages.front();
        for (const std::string& page : pages)
            if (page == "index.html" || page == "index.htm") first = page;
    }
    form.vProject_homepage->SetText(first);
    form.vproject_title->SetText(request.title);
    form.vauthor->SetText(request.author);
    return dialogs.messages.empty();
}

int Build(BuildRequest request, const std::string& startFolder) {
    auto console = std::make_unique<ConsoleDialogs>();
    ConsoleDialogs& dialogs = *console;
    toolkit::Application().SetDialogs(std::move(console));
    TForm1 form;
    form.FormCreate();
    const bool quiet = request.quiet;

    if (!Prepare(form, dialogs, request)) return 1;
    if (request.output.empty() && IsFolder(request.source)) request.output = startFolder + "/" + BaseName(request.source) + ".exe";
    if (!request.output.empty()) form.Vcompile_file->SetText(request.output);

    const bool terminal = ::isatty(STDERR_FILENO);
    if (!quiet) {
        form.cStatus->Observer = [&](toolkit::Prop) { std::cerr << form.cStatus->Caption() << "\n"; };
        if (terminal)
            form.ProgressBar1->Observer = [&](toolkit::Prop p) {
                if (p == toolkit::Prop::Position)
                    std::cerr << "\r" << form.ProgressBar1->Position() << "/" << form.ProgressBar1->Max() << " files"
                              << (form.ProgressBar1->Position() == form.ProgressBar1->Max() ? "\n" : "")
                              << std::flush;
            };
    }
    // No window waits for its messages here, so the compile's pauses sleep
    // between polls and leave the cores to the compression workers.
    SimExe::SetMessagePump([] {
        toolkit::Application().ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    form.SpeedButton14->Click();
    SimExe::SetMessagePump([] { toolkit::Application().ProcessMessages(); });
    form.cStatus->Observer = nullptr;
    form.ProgressBar1->Observer = nullptr;
    return form.cStatus->Caption() == kStatusDone ? 0 : 1;
}

int UsageError(const std::string& problem) {
    std::cerr << "zorbin-compiler: " << problem << "\n" << kUsage;
    return 2;
}

}  // namespace

int RunCommandLine(int argc, char** argv, const std::string& startFolder) {
    if (argc < 2) return -1;
    const std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "--version") {
        std::cout << "zorbin-compiler (Zorbin eBook Compiler) " << ZORBIN_VERSION << "\n";
        return 0;
    }
    if (command != "build") return UsageError("unknown command '" + command + "'");

    BuildRequest request;
    const std::pair<const char*, std::string*> valued[] = {
        {"-o", &request.output}, {"--output", &request.output}, {"--first-page", &request.firstPage},
        {"--title", &request.title}, {"--author", &request.author}};
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* value = nullptr;
        for (const auto& [name, field] : valued)
            if (arg == name) value = field;
        if (value) {
            if (++i == argc) return UsageError(arg + " needs a value");
            *value = argv[i];
        } else if (arg == "--quiet" || arg == "-q") {
            request.quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else if (request.source.empty()) {
            request.source = arg;
        } else {
            return UsageError("only one project can be built at a time");
        }
    }
    if (request.source.empty()) return UsageError("build needs a project file or a folder");
    request.source = Absolute(request.source, startFolder);
    request.output = Absolute(request.output, startFolder);
    return Build(request, startFolder);
}

}  // namespace compiler
