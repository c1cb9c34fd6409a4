// Install(): a browser control of a shown window gets a WebKitBrowser, and
// the GTK binding shows that browser's web view for it.
#include "Forms.h"
#include "GtkBinding.h"
#include "WebBrowser.h"
#include "WebKitBrowser.h"
#include "WebKitInstall.h"

#include <gtest/gtest.h>

extern bool g_haveDisplay;

TEST(WebKitInstallTest, BrowserControlsShowTheWebView) {
    if (!g_haveDisplay) GTEST_SKIP() << "no display";
    int argc = 0;
    char** argv = nullptr;
    ASSERT_TRUE(toolkit::gtk::Initialize(argc, argv));
    viewer::webkit::Install();

    toolkit::TForm form(nullptr, "Form", "Viewer");
    auto& label = *form.Add<toolkit::TLabel>("Label1", "Title");
    auto& host = *form.Add<viewer::TWebBrowserHost>("webbrowser1");
    host.Expand = true;
    auto* browser = dynamic_cast<viewer::webkit::WebKitBrowser*>(&host.Browser());
    ASSERT_NE(browser, nullptr);
    form.Show();
    EXPECT_EQ(toolkit::gtk::WidgetOf(host), browser->Widget());
    EXPECT_NE(toolkit::gtk::WidgetOf(label), nullptr);
    EXPECT_NE(toolkit::gtk::WidgetOf(label), browser->Widget());
    form.Hide();
    viewer::SetBrowserFactory(nullptr);
}
