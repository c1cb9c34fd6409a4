// Whole-book search over a book.
#include "BookSearch.h"

#include "AccessIndex.h"
#include "PageText.h"
#include "SharedWork.h"
#include "ZLibEx.h"

#include <algorithm>

namespace search {

namespace {

// The bytes of a page; nothing for a damaged page.
std::optional<std::string> BytesOfPage(const book::Book& book, const std::string& pageName) {
    std::string bytes;
    try {
        if (book.ReadBlock(pageName, bytes)) return bytes;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// A hit on an HTML page with its snippet, the page read only as far as the
// snippet needs; a named place is titled by the text it names, and its
// snippet is cut from the text that follows it.
Found FoundOnHtml(Hit hit, std::string_view bytes, const Query& query) {
    constexpr std::size_t kStep = 8 * 1024;
    constexpr std::size_t kPlaceText = 4096;
    HtmlTextReader page(bytes);
    SnippetScanner scanner(query);
    // The text the snippet is cut from: all of the page's, or what follows
    // the place, once read; the page's when it has no such place.
    const auto textOf = [&](const HtmlTextReader& read) -> std::optional<std::string_view> {
        std::optional<std::size_t> from = hit.anchor.empty() ? 0 : read.AnchorAt(hit.anchor);
        if (!from && read.Ended()) from = 0;
        if (!from) return std::nullopt;
        const std::string_view text = read.Body().substr(*from);
        return hit.anchor.empty() || (*from == 0 && read.Ended()) ? text : text.substr(0, kPlaceText);
    };
    page.Read(
        [&](const HtmlTextReader& read) {
            const std::optional<std::string_view> text = textOf(read);
            if (!text) return false;
            const bool placeRead = !hit.anchor.empty() && text->size() == kPlaceText;
            scanner.ReadOn(*text, placeRead);
            return placeRead || scanner.Settled();
        },
        kStep);
    const std::string_view text = textOf(page).value_or(std::string_view());
    if (page.Ended()) scanner.ReadOn(text, true);
    if (const std::optional<std::size_t> at = hit.anchor.empty() ? std::nullopt : page.AnchorAt(hit.anchor)) {
        const PageAnchor place = LabelledAnchor(hit.anchor, page.Body(), *at);
        if (!place.label.empty()) hit.title = place.label;
    }
    return {std::move(hit), scanner.Take(text, !page.Ended())};
}

// A hit with its snippet.
Found FoundOn(Hit hit, const book::Book& book, const Query& query) {
    const std::optional<std::string> bytes = BytesOfPage(book, hit.pageName);
    if (!bytes) return {std::move(hit), {}};
    if (KindOfPage(hit.pageName) == PageKind::kHtml) return FoundOnHtml(std::move(hit), *bytes, query);
    const std::optional<PageText> text = TextOfPage(hit.pageName, *bytes);
    Snippet snippet = text ? SnippetOf(text->body, query) : Snippet{};
    return {std::move(hit), std::move(snippet)};
}

}  // namespace

std::unique_ptr<BookSearch> BookSearch::Open(std::shared_ptr<const book::Book> book) {
    std::unique_ptr<BookSearch> search(new BookSearch(std::move(book)));
    if (search->book_->Find(SimExe::AccessIndexName(kIndexBlockName))) {
        search->index_ = std::make_unique<SearchIndex>(IndexBlock{search->book_, kIndexBlockName});
        return search;
    }
    try {
        if (!search->book_->ReadBlock(kIndexBlockName, search->image_)) return nullptr;
    } catch (const ZLibEx::EZLibError& e) {
        throw EIndexError(std::string("The search index is damaged: ") + e.what());
    }
    search->index_ = std::make_unique<SearchIndex>(search->image_);
    return search;
}

Answer BookSearch::Search(std::string_view typed, bool typing, std::size_t limit) const {
    Answer answer;
    answer.query = ParseQuery(typed, typing);
    Results results = index_->Find(answer.query, limit);
    answer.count = results.count;
    answer.found.resize(results.hits.size());
    // Each snippet reads and parses its page: the cores share them out.
    base::ShareOut(results.hits.size(), [&](std::size_t i) {
        answer.found[i] = FoundOn(std::move(results.hits[i]), *book_, answer.query);
    });
    return answer;
}

}  // namespace search
