// The whole-book half of the find dialog: the count and the list of the
// pages found, best first, each with its title and the text around its hits
// (hits in bold). Choosing a page (a click, Enter, the arrow keys and Enter)
// opens it in the view with every hit highlighted, scrolled to the first; a
// result that names an element of its page opens scrolled to that element,
// the element highlighted.
// The book's index is opened at the first search, not before, and every
// search runs on a worker thread: the window never waits for one.
#pragma once

#include "Book.h"
#include "BookSearch.h"
#include "GObjectRef.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;

namespace viewer::webkit {

class BookResults {
public:
    // Searches `book`, opening its pages in the view.
    BookResults(WebKitWebView* view, std::shared_ptr<const book::Book> book);
    ~BookResults();
    BookResults(const BookResults&) = delete;
    BookResults& operator=(const BookResults&) = delete;

    // Whether the book has a search index (none without a book).
    static bool BookHasIndex(const book::Book* book);
    // Empty when whole-book search works on this system; else why not, as
    // a sentence for readers.
    static std::string WhyNotSearchable();

    GtkWidget* Widget() const { return box_.get(); }
    // Lists the pages for what the reader typed, once they are found;
    // `typing`: the last word may still grow.
    void Search(const std::string& typed, bool typing);
    // Opens the page of the result at `row`.
    void Open(int row);
    // The text highlighted on the page opened last (for a named element, its
    // text); empty before.
    const std::string& Highlighted() const { return highlighted_; }

private:
    struct Searcher;
    static void StartNextSearch(const std::shared_ptr<Searcher>& searcher);
    // The answer, else `failure` (the index is damaged, or cannot be searched here).
    void Show(const std::optional<search::Answer>& answer, const std::string& failure);
    void Clear();
    void HighlightOnceLoaded();

    WebKitWebView* view_;
    GRef<GtkWidget> box_;
    GtkWidget* count_;
    GtkWidget* list_;
    std::shared_ptr<Searcher> searcher_;
    struct Result {
        std::string pageName;
        std::string anchor;     // the element it names on its page; empty for the page
        std::string highlight;  // the text highlighted on its page
    };
    std::vector<Result> results_;
    std::optional<Result> pending_;  // to highlight once the page opening now has loaded
    std::string highlighted_;
    unsigned long loadHandler_ = 0;
};

}  // namespace viewer::webkit
