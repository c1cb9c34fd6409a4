// A compiler window with a compiler image that carries a small stand-in
// viewer, a project folder (site) and an output folder, for compile tests.
#pragma once

#include "CompilerWindowFixture.h"
#include "TempDir.h"

#include <string>
#include <vector>

class CompileTest : public CompilerWindowTest {
protected:
    void SetUp() override {
        CompilerWindowTest::SetUp();
        std::string compilerImage = "compiler program bytes";
        SimExe::AppendBlock("main_prog_file", viewer, compilerImage);
        SimExe::SetOwnImageFile(work.Write("zorbin-compiler", compilerImage));
        site.Write("index.htm", "<html>home</html>");
        site.Write("images/a.gif", std::string("GIF89a\0\x01", 8));
    }
    void TearDown() override {
        SimExe::SetOwnImageFile("");
        CompilerWindowTest::TearDown();
    }

    // Picks the site, the first page and the output folder as an author does.
    void Prepare(const std::string& home = "index.htm") {
        dialogs->folderAnswers.push_back(toolkit::FolderChoice{site.path(), "site"});
        form->Button3->Click();
        form->vProject_homepage->SetText(home);
        form->vSave_dir->SetText(out.path());
    }
    std::string Output(const std::string& name = "eBook.exe") const { return ReadFile(out / name); }
    std::vector<std::string> Errors() const {
        std::vector<std::string> texts;
        for (const auto& m : dialogs->messages) texts.push_back(m.text);
        return texts;
    }

    const std::string viewer = std::string("\x7F" "ELF viewer program", 19);
    TempDir work, site, out;
};
