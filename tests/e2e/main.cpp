// Test entry: opens the display through the toolkit's GTK binding and puts
// the WebKit view in place, as the viewer program does.
#include "GtkBinding.h"
#include "WebKitInstall.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

bool g_haveDisplay = false;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A runtime folder of its own, so that other test programs' viewers
    // (CTest runs them side by side) make nothing where these tests watch.
    char runtime[] = "/tmp/zorbin-e2e-runtime-XXXXXX";
    if (::mkdtemp(runtime)) ::setenv("XDG_RUNTIME_DIR", runtime, 1);
    g_haveDisplay = toolkit::gtk::Initialize(argc, argv);
    if (g_haveDisplay) viewer::webkit::Install();
    const int status = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return status;
}
