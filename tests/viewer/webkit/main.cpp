// Test entry: opens the display once for every test of the WebKit binding.
#include <gtk/gtk.h>
#include <gtest/gtest.h>

bool g_haveDisplay = false;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    g_haveDisplay = gtk_init_check(&argc, &argv);
    return RUN_ALL_TESTS();
}
