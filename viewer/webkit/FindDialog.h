// The find-on-page dialog: a text entry, Find Next, Find Previous, Match
// case and Close, driving the view's WebKitFindController. A label tells
// when the text is not in the page.
#pragma once

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitFindController WebKitFindController;

namespace viewer::webkit {

class FindDialog {
public:
    explicit FindDialog(WebKitWebView* view);
    ~FindDialog();
    FindDialog(const FindDialog&) = delete;
    FindDialog& operator=(const FindDialog&) = delete;

    // Shows the dialog over the view's window, the entry focused.
    void Present();
    GtkWidget* Dialog() const { return dialog_; }

private:
    void Search(bool backwards);

    WebKitWebView* view_;
    WebKitFindController* finder_;
    GtkWidget* dialog_;
    GtkWidget* entry_;
    GtkWidget* matchCase_;
    GtkWidget* notFound_;
};

}  // namespace viewer::webkit
