// A compiler window created as the program creates it, with scripted dialogs
// and a recorded shell, for headless tests.
#pragma once

#include "SimExe.h"
#include "ScriptedDialogsFor.h"
#include "compilerUnit1.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class CompilerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs = &UseScriptedDialogs();
        toolkit::Application().Title = "Zorbin eBook Compiler";
        SimExe::SetShellOpener([this](const std::string& target) { opened.push_back(target); });
        form = std::make_unique<compiler::TForm1>();
        form->FormCreate();
    }
    void TearDown() override {
        form.reset();
        SimExe::SetShellOpener(nullptr);
        SimExe::BlockStore().clear();
    }

    std::string Flags() {
        form->Generate_Data();
        return compiler::ToolbarFlags();
    }

    toolkit::ScriptedDialogs* dialogs = nullptr;
    std::vector<std::string> opened;
    std::unique_ptr<compiler::TForm1> form;
};
