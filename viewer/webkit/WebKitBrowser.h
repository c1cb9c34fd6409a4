// The viewer's browser on WebKitGTK: one WebKitWebView that shows page URLs
// through the "ebook" scheme, loads every other address from the network,
// reports its history state and offers the context menu and the shortcut
// keys to the host hooks.
#pragma once

#include "GObjectRef.h"
#include "WebBrowser.h"

#include <memory>

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitBackForwardList WebKitBackForwardList;
typedef struct _GdkEventScroll GdkEventScroll;

namespace viewer::webkit {

class FindDialog;

// The key presses offered to the host's accelerator hook: those with
// Control or Alt held, and the function keys F1 to F24.
bool OffersKeyToHost(unsigned keyval, unsigned modifierState);

class WebKitBrowser : public viewer::WebBrowser {
public:
    WebKitBrowser();
    ~WebKitBrowser() override;
    WebKitBrowser(const WebKitBrowser&) = delete;
    WebKitBrowser& operator=(const WebKitBrowser&) = delete;

    GtkWidget* Widget() const;
    WebKitWebView* View() const { return view_.get(); }

    void RegisterPageProtocol(std::shared_ptr<const book::Book> book) override;
    void UnregisterPageProtocol() override;
    void Navigate(const std::string& url) override;
    void GoBack() override;
    void GoForward() override;
    void Refresh() override;
    void Stop() override;
    bool HasDocument() const override { return hasDocument_; }
    void Find() override;
    void Print() override;
    std::string Title() const override;
    double Zoom() const override;
    void SetZoom(double level) override;
    void ShowPlace(const std::string& spot, double fraction) override;

private:
    void ConnectSignals();
    // Control with the wheel zooms; true when the event was that.
    bool ZoomByWheel(const GdkEventScroll& event);
    void ReportHistoryState();

    GRef<WebKitWebView> view_;
    // Held apart from the view, so its handlers can go even when a window
    // destroyed the view first.
    GRef<WebKitBackForwardList> history_;
    bool hasDocument_ = false;
    unsigned long placeHandler_ = 0;  // of the view's content manager
    double wheelTurned_ = 0;          // smooth scrolling with Control, not yet a whole notch
    std::shared_ptr<const book::Book> book_;  // whose pages are served
    std::unique_ptr<FindDialog> findDialog_;
};

}  // namespace viewer::webkit
