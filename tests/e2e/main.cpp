// Test entry: opens the display through the toolkit's GTK binding and puts
// the WebKit view in place, as the viewer program does.
#include "GtkBinding.h"
#include "WebKitInstall.h"

#include <gtest/gtest.h>

bool g_haveDisplay = false;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    g_haveDisplay = toolkit::gtk::Initialize(argc, argv);
    if (g_haveDisplay) viewer::webkit::Install();
    return RUN_ALL_TESTS();
}
