// The viewer's window started on an eBook's bytes as the program starts it,
// with a fake browser and scripted dialogs: for tests of whole eBooks made
// by the real compiler.
#pragma once

#include "FakeBrowser.h"
#include "PageRequest.h"
#include "ScriptedDialogsFor.h"
#include "SimExe.h"
#include "TempDir.h"
#include "Unit1.h"
#include "Unit2.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

class ViewerOnImage : public ::testing::Test {
protected:
    void SetUp() override {
        // What the window keeps of its reader goes to this test's folder.
        ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
        viewer::SetBrowserFactory([this] {
            auto fake = std::make_unique<FakeBrowser>();
            browser = fake.get();
            return fake;
        });
    }
    void TearDown() override {
        form.reset();
        viewer::SetBrowserFactory(nullptr);
        ZLibEx::SetOutputLimit(0);
        viewer::pages_ready = false;
        ::unsetenv("XDG_STATE_HOME");
    }

    // Starts the viewer on the image as the program does; `typed` answers
    // the password dialog, if it comes.
    void Start(const std::string& image, std::optional<std::string> typed = std::nullopt) {
        form.reset();
        dialogs = &UseScriptedDialogs();
        dialogs->inputAnswers.push_back(std::move(typed));
        viewer::pages_ready = false;
        form = std::make_unique<viewer::TForm1>(about, book::Book::Open(dir.Write("book.exe", image)));
        toolkit::Application().Dispatch([this] { form->FormCreate(); });
    }

    // A page of the book the window serves, as the web view asks for it.
    std::string Page(const std::string& name) const { return RequestPage(browser->served, viewer::kPagePrefix + name); }

    TempDir dir;
    toolkit::ScriptedDialogs* dialogs = nullptr;
    FakeBrowser* browser = nullptr;
    viewer::TForm2 about;
    std::unique_ptr<viewer::TForm1> form;
};
