// What the viewer needs of its embedded web browser: navigation, history,
// find and print, the history notifications and the two host hooks. The
// WebKitGTK implementation lives in viewer/webkit; tests use a fake.
#pragma once

#include "Controls.h"
#include "eProtocol.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace viewer {

constexpr std::int32_t CSC_UPDATECOMMANDS = -1;
constexpr std::int32_t CSC_NAVIGATEFORWARD = 1;
constexpr std::int32_t CSC_NAVIGATEBACK = 2;

class WebBrowser {
public:
    virtual ~WebBrowser() = default;

    // Serves page URLs from the book from now on / no longer.
    virtual void RegisterPageProtocol(std::shared_ptr<const book::Book> book) = 0;
    virtual void UnregisterPageProtocol() = 0;

    // Requests the URL and shows the answer; page URLs begin with "http://ebook/".
    virtual void Navigate(const std::string& url) = 0;
    // History and loading; a failure is raised as an error.
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Refresh() = 0;
    virtual void Stop() = 0;

    // Whether a document is loaded (find and print need one).
    virtual bool HasDocument() const = 0;
    // Opens the find-on-page dialog.
    virtual void Find() = 0;
    // Prints the current page on the default printer, without a dialog.
    virtual void Print() = 0;

    // The title of the page shown; empty when it has none.
    virtual std::string Title() const { return {}; }
    // How large the pages are drawn: 1 is their own size.
    virtual double Zoom() const { return zoom_; }
    virtual void SetZoom(double level) { zoom_ = level; }
    // Scrolls the page shown to a place that OnPlaceChanged told.
    virtual void ShowPlace(const std::string& /*spot*/, double /*fraction*/) {}

    // Raised when going back or forward becomes possible or impossible.
    std::function<void(std::int32_t command, bool enable)> OnCommandStateChange;
    // Raised when the view goes to another address, a page URL as
    // "http://ebook/..." with its fragment: links, history, code, and a jump
    // to an anchor of the page shown.
    std::function<void(const std::string& url)> OnNavigateComplete;
    // Raised when a page has finished loading, with its address as above.
    std::function<void(const std::string& url)> OnDocumentComplete;
    // Raised when the reader has moved on the page shown (a pause after
    // scrolling, and once a page has opened): `spot` names an element at the
    // top of the view, `fraction` how far down that element the view's top
    // stands. `url` is the page's address, as for OnNavigateComplete.
    std::function<void(const std::string& url, const std::string& spot, double fraction)> OnPlaceChanged;
    // Raised when the wheel turns with Control held: +1 for each notch up
    // (larger), -1 down.
    std::function<void(int steps)> OnZoomWheel;
    // Host hooks: S_OK = the host dealt with it (no menu / the key does
    // nothing), S_FALSE = the browser does its default. Unset: S_FALSE.
    std::function<HRESULT()> OnShowContextMenu;
    std::function<HRESULT()> OnTranslateAccelerator;

    HRESULT ShowContextMenu() { return OnShowContextMenu ? OnShowContextMenu() : S_FALSE; }
    HRESULT TranslateAccelerator() { return OnTranslateAccelerator ? OnTranslateAccelerator() : S_FALSE; }
    void CommandStateChange(std::int32_t command, bool enable) {
        if (OnCommandStateChange) OnCommandStateChange(command, enable);
    }
    void NavigateComplete(const std::string& url) {
        if (OnNavigateComplete) OnNavigateComplete(url);
    }
    void DocumentComplete(const std::string& url) {
        if (OnDocumentComplete) OnDocumentComplete(url);
    }
    void PlaceChanged(const std::string& url, const std::string& spot, double fraction) {
        if (OnPlaceChanged) OnPlaceChanged(url, spot, fraction);
    }
    void ZoomWheel(int steps) {
        if (OnZoomWheel) OnZoomWheel(steps);
    }

private:
    double zoom_ = 1;
};

// Makes the browser for each new browser control; set once by the program
// (the WebKit one) or by a test (a fake).
using BrowserFactory = std::function<std::unique_ptr<WebBrowser>()>;
void SetBrowserFactory(BrowserFactory factory);

// The control in the window's layout that shows the browser.
class TWebBrowserHost : public toolkit::TControl {
public:
    TWebBrowserHost(toolkit::TWinControl* parent, std::string name);
    WebBrowser& Browser() { return *browser_; }

private:
    std::unique_ptr<WebBrowser> browser_;
};

}  // namespace viewer
