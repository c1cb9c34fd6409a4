// Gives the application fresh scripted dialogs for one test and returns
// them, so the test can script answers and read what was shown.
#pragma once

#include "Forms.h"

#include <memory>

inline toolkit::ScriptedDialogs& UseScriptedDialogs() {
    auto scripted = std::make_unique<toolkit::ScriptedDialogs>();
    toolkit::ScriptedDialogs& dialogs = *scripted;
    toolkit::Application().SetDialogs(std::move(scripted));
    return dialogs;
}
