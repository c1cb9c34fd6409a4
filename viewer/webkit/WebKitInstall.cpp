// Connects the WebKit browser to the browser control and the GTK binding.
#include "WebKitInstall.h"

#include "GtkBinding.h"
#include "WebBrowser.h"
#include "WebKitBrowser.h"

#include <memory>

namespace viewer::webkit {

void Install() {
    viewer::SetBrowserFactory([] { return std::make_unique<WebKitBrowser>(); });
    toolkit::gtk::AddWidgetFactory([](toolkit::TControl& control) -> GtkWidget* {
        auto* host = dynamic_cast<viewer::TWebBrowserHost*>(&control);
        if (!host) return nullptr;
        auto* browser = dynamic_cast<WebKitBrowser*>(&host->Browser());
        return browser ? browser->Widget() : nullptr;
    });
}

}  // namespace viewer::webkit
