// Fuzz target: opening arbitrary bytes as a project file in the compiler
// window, as Open Project does. Every failure must end in a message box.
#include "ScratchFile.h"
#include "SimExe.h"
#include "compilerUnit1.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch("project");
    const std::string& file = scratch.Write(data, size);
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
