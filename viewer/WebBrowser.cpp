// The browser control of the window layout and the factory behind it.
#include "WebBrowser.h"

namespace viewer {

namespace {

// Used when no browser factory was set: a browser without a view, so the
// window still works without a display.
class NoBrowser : public WebBrowser {
public:
    void RegisterPageProtocol(std::shared_ptr<const book::Book>) override {}
    void UnregisterPageProtocol() override {}
    void Navigate(const std::string&) override {}
    void GoBack() override {}
    void GoForward() override {}
    void Refresh() override {}
    void Stop() override {}
    bool HasDocument() const override { return false; }
    void Find() override {}
    void Print() override {}
};

BrowserFactory& Factory() {
    static BrowserFactory factory;
    return factory;
}

}  // namespace

void SetBrowserFactory(BrowserFactory factory) { Factory() = std::move(factory); }

TWebBrowserHost::TWebBrowserHost(toolkit::TWinControl* parent, std::string name)
    : TControl(parent, std::move(name)),
      browser_(Factory() ? Factory()() : std::make_unique<NoBrowser>()) {}

}  // namespace viewer
