// Fuzz target: opening arbitrary bytes as a project file in the compiler
// window, as Open Project does. Every failure must end in a message box.
#include "SimExe.h"
#include "compilerUnit1.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One scratch file for every input, removed when the program ends.
    static const struct Scratch {
        std::string path;
        Scratch() {
            char name[] = "/tmp/zorbin-fuzz-project-XXXXXX";
            int fd = ::mkstemp(name);
            if (fd >= 0) ::close(fd);
            path = name;
        }
        ~Scratch() { ::unlink(path.c_str()); }
    } scratch;
    const std::string& file = scratch.path;
    if (std::FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    auto dialogs = std::make_unique<toolkit::ScriptedDialogs>();
    toolkit::ScriptedDialogs& script = *dialogs;
    toolkit::Application().SetDialogs(std::move(dialogs));
    // A project file's empty store would make the lookup read this program.
    SimExe::SetOwnImageFile(file);
    compiler::TForm1 form;
    form.FormCreate();
    script.fileAnswers.push_back(file);
    form.SpeedButton12->Click();
    for (const auto& m : script.messages)
        if (m.text.empty()) std::abort();
    SimExe::SetOwnImageFile("");
    return 0;
}
