// Whole-book search results in the find dialog.
#include "BookResults.h"

#include "AnchorHighlight.h"
#include "IndexDatabase.h"
#include "PageScheme.h"
#include "TextLibraries.h"
#include "eProtocol.h"

#include <gdk/gdkkeysyms.h>
#include <webkit2/webkit2.h>

#include <optional>

namespace viewer::webkit {

namespace {

constexpr std::size_t kShown = 50;

std::string Escaped(std::string_view text) {
    char* escaped = g_markup_escape_text(text.data(), static_cast<gssize>(text.size()));
    std::string result = escaped;
    g_free(escaped);
    return result;
}

// A snippet as Pango markup, its hits in bold.
std::string SnippetMarkup(const search::Snippet& snippet) {
    std::string markup;
    std::size_t at = 0;
    for (const auto& [begin, end] : snippet.hits) {
        markup += Escaped(std::string_view(snippet.text).substr(at, begin - at));
        markup += "<b>" + Escaped(std::string_view(snippet.text).substr(begin, end - begin)) + "</b>";
        at = end;
    }
    return markup + Escaped(std::string_view(snippet.text).substr(at));
}

// A label of a result's row: wrapped to the list's width, a long word
// broken anywhere, and cut with "…" after `lines` lines, so that no result
// widens the dialog.
GtkWidget* RowLabel(const std::string& markup, int lines) {
    GtkWidget* label = gtk_label_new(nullptr);
    gtk_label_set_markup(GTK_LABEL(label), markup.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
    gtk_label_set_lines(GTK_LABEL(label), lines);
    gtk_label_set_max_width_chars(GTK_LABEL(label), 70);
    return label;
}

GtkWidget* ResultRow(const search::Found& found, std::size_t index) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
    gtk_container_set_border_width(GTK_CONTAINER(box), 4);
    const std::string& title = found.hit.title.empty() ? found.hit.pageName : found.hit.title;
    gtk_box_pack_start(GTK_BOX(box),
                       RowLabel("<b>" + Escaped(title) + "</b>  <small>" + Escaped(found.hit.pageName) + "</small>", 2),
                       FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), RowLabel(SnippetMarkup(found.snippet), 4), FALSE, FALSE, 0);
    GtkWidget* row = gtk_list_box_row_new();
    gtk_widget_set_name(row, ("search-result-" + std::to_string(index)).c_str());
    gtk_container_add(GTK_CONTAINER(row), box);
    return row;
}

// What to highlight on a result's page: for a named element, its text
// (else its name); else the page's first hit as the page writes it, else the
// first word asked for.
std::string HitText(const search::Found& found, const search::Query& query) {
    if (!found.hit.anchor.empty()) return found.hit.title.empty() ? found.hit.anchor : found.hit.title;
    if (!found.snippet.hits.empty()) {
        const auto [begin, end] = found.snippet.hits.front();
        return found.snippet.text.substr(begin, end - begin);
    }
    return query.empty() ? std::string() : query.phrases.front().keys.front();
}

}  // namespace

// The index and the search under way, shared with the worker thread that
// searches, so that either may end first.
struct BookResults::Searcher {
    std::shared_ptr<const book::Book> book;
    std::unique_ptr<search::BookSearch> index;  // opened by the first search
    bool failed = false;                        // the index could not be opened
    BookResults* results = nullptr;             // none once the results are gone
    bool busy = false;                          // a search is running
    std::optional<std::pair<std::string, bool>> next;  // what to search for once it ends
};

namespace {

// One search on a worker thread: the words typed, and the answer or the
// failure.
struct SearchJob {
    std::shared_ptr<void> keep;  // the searcher, alive as long as the job
    std::string typed;
    bool typing = false;
    std::optional<search::Answer> answer;
    std::string failure;         // what to say instead, when there is no answer
    PageWork reading;            // counted while it runs
};

}  // namespace

BookResults::BookResults(WebKitWebView* view, std::shared_ptr<const book::Book> book)
    : view_(view), box_(RefSink(gtk_box_new(GTK_ORIENTATION_VERTICAL, 6))), count_(gtk_label_new(nullptr)),
      list_(gtk_list_box_new()), searcher_(std::make_shared<Searcher>()) {
    searcher_->book = std::move(book);
    searcher_->results = this;
    gtk_widget_set_name(count_, "search-count");
    gtk_widget_set_name(list_, "search-results");
    gtk_label_set_xalign(GTK_LABEL(count_), 0);
    gtk_label_set_line_wrap(GTK_LABEL(count_), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(count_), 70);
    gtk_list_box_set_activate_on_single_click(GTK_LIST_BOX(list_), TRUE);
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(scrolled), 200);
    gtk_scrolled_window_set_min_content_width(GTK_SCROLLED_WINDOW(scrolled), 480);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scrolled), list_);
    gtk_box_pack_start(GTK_BOX(box_.get()), count_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box_.get()), scrolled, TRUE, TRUE, 0);
    gtk_widget_show_all(box_.get());

    g_signal_connect(list_, "row-activated", G_CALLBACK(+[](GtkListBox*, GtkListBoxRow* row, gpointer self) {
                         static_cast<BookResults*>(self)->Open(gtk_list_box_row_get_index(row));
                     }),
                     this);
    // Enter opens the row the arrow keys went to (the list's own binding
    // does not, for a row focused from the entry).
    g_signal_connect(list_, "key-press-event", G_CALLBACK(+[](GtkWidget* list, GdkEventKey* key, gpointer self) -> gboolean {
                         const bool enter = key->keyval == GDK_KEY_Return || key->keyval == GDK_KEY_KP_Enter ||
                                            key->keyval == GDK_KEY_ISO_Enter || key->keyval == GDK_KEY_space;
                         GtkListBoxRow* row = gtk_list_box_get_selected_row(GTK_LIST_BOX(list));
                         if (!enter || !row) return FALSE;
                         static_cast<BookResults*>(self)->Open(gtk_list_box_row_get_index(row));
                         return TRUE;
                     }),
                     this);
    loadHandler_ = g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                                        if (event == WEBKIT_LOAD_FINISHED) static_cast<BookResults*>(self)->HighlightOnceLoaded();
                                    }),
                                    this);
}

BookResults::~BookResults() {
    searcher_->results = nullptr;
    // A view disposed first has dropped its handlers already.
    if (g_signal_handler_is_connected(view_, loadHandler_)) g_signal_handler_disconnect(view_, loadHandler_);
    g_signal_handlers_disconnect_by_data(list_, this);
}

bool BookResults::BookHasIndex(const book::Book* book) {
    try {
        return book && book->Find(search::kIndexBlockName).has_value();
    } catch (const std::exception&) {
        return false;
    }
}

std::string BookResults::WhyNotSearchable() { return search::TextLibrariesMissing(); }

// Only one search runs at a time; what is typed meanwhile waits, and only
// the latest of it is searched next.
void BookResults::Search(const std::string& typed, bool typing) {
    searcher_->next.emplace(typed, typing);
    if (!searcher_->busy) StartNextSearch(searcher_);
}

void BookResults::StartNextSearch(const std::shared_ptr<Searcher>& searcher) {
    if (!searcher->next) return;
    auto* job = new SearchJob{searcher, searcher->next->first, searcher->next->second, std::nullopt, {}, {}};
    searcher->next.reset();
    searcher->busy = true;
    GTask* task = g_task_new(nullptr, nullptr, +[](GObject*, GAsyncResult* result, gpointer) {
        auto* job = static_cast<SearchJob*>(g_task_get_task_data(G_TASK(result)));
        auto searcher = std::static_pointer_cast<Searcher>(job->keep);
        searcher->busy = false;
        if (!searcher->results) return;
        if (!searcher->next) searcher->results->Show(job->answer, job->failure);
        StartNextSearch(searcher);
    }, nullptr);
    g_task_set_task_data(task, job, [](gpointer data) { delete static_cast<SearchJob*>(data); });
    g_task_run_in_thread(task, [](GTask* task, gpointer, gpointer data, GCancellable*) {
        auto* job = static_cast<SearchJob*>(data);
        auto& searcher = *std::static_pointer_cast<Searcher>(job->keep);
        try {
            if (!searcher.index && !searcher.failed) searcher.index = search::BookSearch::Open(searcher.book);
            searcher.failed = !searcher.index;
            if (searcher.index) job->answer = searcher.index->Search(job->typed, job->typing, kShown);
        } catch (const search::ESearchUnavailable& e) {
            job->answer.reset();
            job->failure = e.what();
        } catch (const std::exception&) {
            job->answer.reset();
            job->failure = "The search index of this eBook is damaged.";
        }
        g_task_return_boolean(task, TRUE);
    });
    g_object_unref(task);
}

void BookResults::Show(const std::optional<search::Answer>& found, const std::string& failure) {
    Clear();
    if (!found) {
        gtk_label_set_text(GTK_LABEL(count_), failure.c_str());
        return;
    }
    const search::Answer& answer = *found;
    if (answer.query.empty()) return;
    std::string count = answer.count == 0   ? "No page matches."
                        : answer.count == 1 ? "1 page found."
                                            : std::to_string(answer.count) + " pages found.";
    if (answer.count > answer.found.size()) count += " The best " + std::to_string(answer.found.size()) + " are shown.";
    if (answer.query.cut) count += std::string(" ") + search::kQueryCutNotice;
    gtk_label_set_text(GTK_LABEL(count_), count.c_str());
    for (std::size_t i = 0; i < answer.found.size(); ++i) {
        const search::Hit& hit = answer.found[i].hit;
        results_.push_back({hit.pageName, hit.anchor, HitText(answer.found[i], answer.query)});
        gtk_list_box_insert(GTK_LIST_BOX(list_), ResultRow(answer.found[i], i), -1);
    }
    gtk_widget_show_all(list_);
}

void BookResults::Clear() {
    results_.clear();
    gtk_label_set_text(GTK_LABEL(count_), "");
    GList* rows = gtk_container_get_children(GTK_CONTAINER(list_));
    for (GList* r = rows; r; r = r->next) gtk_widget_destroy(GTK_WIDGET(r->data));
    g_list_free(rows);
}

void BookResults::Open(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= results_.size()) return;
    gtk_list_box_select_row(GTK_LIST_BOX(list_), gtk_list_box_get_row_at_index(GTK_LIST_BOX(list_), row));
    const Result& result = results_[static_cast<std::size_t>(row)];
    pending_ = result;
    const std::string uri = ViewUriOf(PageUrl(result.pageName));
    if (result.anchor.empty())
        webkit_web_view_load_uri(view_, uri.c_str());
    else if (LoadAtAnchor(view_, uri, result.anchor))
        HighlightOnceLoaded();  // the page shown only scrolls: no load ends
}

// An element found by name is highlighted itself, where the view scrolled
// to; the words found, by the view's find, which scrolls to the first.
void BookResults::HighlightOnceLoaded() {
    if (!pending_) return;
    const Result result = std::move(*pending_);
    pending_.reset();
    highlighted_ = result.highlight;
    WebKitFindController* finder = webkit_web_view_get_find_controller(view_);
    if (!result.anchor.empty()) {
        webkit_find_controller_search_finish(finder);
        HighlightAnchor(view_, result.anchor);
    } else if (!highlighted_.empty()) {
        webkit_find_controller_search(finder, highlighted_.c_str(),
                                      WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND, G_MAXUINT);
    }
}

}  // namespace viewer::webkit
