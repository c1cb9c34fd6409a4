// The viewer's windows on a real eBook made by the real compiler, for end
// to end tests: the fixture starts them as the program does.
#pragma once

#include "GtkBinding.h"
#include "ShellOutput.h"
#include "SimExe.h"
#include "TempDir.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebViewHarness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

// The example book compiled by the real compiler under a title.
inline std::string CompileExample(const std::string& title) {
    static TempDir dir;
    const std::string path = dir / (std::to_string(title.size()) + ".exe");
    const std::string command =
        "'" ZORBIN_COMPILER "' build '" ZORBIN_EXAMPLE_BOOK "' --title '" + title + "' -q -o '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path;
}

inline const std::string& ExampleEBook() {
    static const std::string path = CompileExample("A Small Guide to Tea");
    return path;
}

// The viewer's windows on an eBook (the example one unless a test names
// another), started as the program starts them.
class ViewerOnEBook : public ::testing::Test {
protected:
    virtual std::string EBook() { return ExampleEBook(); }
    void SetUp() override {
        if (!g_haveDisplay) GTEST_SKIP() << "no display";
        toolkit::Application().Title = "Zorbin eBook";
        // What the viewer keeps of its reader goes to this test's folder.
        ::setenv("XDG_STATE_HOME", stateHome.path().c_str(), 1);
        OpenBook(EBook());
    }
    void TearDown() override {
        CloseBook();
        ::unsetenv("XDG_STATE_HOME");
    }
    // Opens the eBook's window as the program does.
    void OpenBook(const std::string& path) {
        loads = 0;
        form = std::make_unique<viewer::TForm1>(about, book::Book::Open(path));
        view = static_cast<viewer::webkit::WebKitBrowser&>(form->webbrowser1->Browser()).View();
        g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer self) {
                             if (e == WEBKIT_LOAD_FINISHED) ++*static_cast<int*>(self);
                         }),
                         &loads);
        toolkit::Application().Dispatch([this] { form->FormCreate(); });
        form->Show();
    }
    // Closes the window as the reader's close box does, without ending the tests' program.
    void CloseBook() {
        if (!form) return;
        g_signal_handlers_disconnect_by_data(view, &loads);
        form->FormClose(*form);
        form->FormDestroy();
        form.reset();
    }
    bool WaitFor(const std::string& uri) {
        return RunUntil([&] {
            const char* now = webkit_web_view_get_uri(view);
            return loads > 0 && !webkit_web_view_is_loading(view) && now && uri == now;
        });
    }
    std::string Eval(const std::string& script) { return EvalIn(view, script); }

    TempDir stateHome;
    viewer::TForm2 about;
    std::unique_ptr<viewer::TForm1> form;
    WebKitWebView* view = nullptr;
    int loads = 0;
};

