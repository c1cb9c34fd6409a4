// The find dialog: a text entry, Find Next, Find Previous, Match case and
// Close, driving the view's WebKitFindController on the page shown. A label
// tells when the text is not in the page. In a book with a search index it
// also searches the whole book ("Whole book", then the default): the pages
// found are listed as the reader types (BookResults), and Find Next and
// Find Previous step through the hits on the page opened from the list.
// Where the system lacks what whole-book search needs, the dialog says so
// and finds on the page alone. The dialog stays within the work area of
// its window's monitor.
#pragma once

#include "Book.h"
#include "GObjectRef.h"

#include <memory>

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitFindController WebKitFindController;

namespace viewer::webkit {

class BookResults;

class FindDialog {
public:
    // Searches the page the view shows and, when it has an index, `book`.
    FindDialog(WebKitWebView* view, std::shared_ptr<const book::Book> book);
    ~FindDialog();
    FindDialog(const FindDialog&) = delete;
    FindDialog& operator=(const FindDialog&) = delete;

    // Shows the dialog over the view's window, the entry focused.
    void Present();
    GtkWidget* Dialog() const { return dialog_.get(); }

private:
    void Search(bool backwards);
    void StepThroughHits(bool backwards);
    bool WholeBook() const;
    void ShowScope();
    void SearchBookSoon();

    WebKitWebView* view_;
    GRef<WebKitFindController> finder_;
    GRef<GtkWidget> dialog_;
    GtkWidget* entry_;
    GtkWidget* matchCase_;
    GtkWidget* notFound_;
    GtkWidget* wholeBook_ = nullptr;      // the scope choice, when the book has an index
    std::unique_ptr<BookResults> results_;  // likewise
    unsigned typingTimer_ = 0;
};

}  // namespace viewer::webkit
