// Whole-book search over a book.
#include "BookSearch.h"

#include "AccessIndex.h"
#include "PageText.h"
#include "SharedWork.h"
#include "ZLibEx.h"

#include <algorithm>

namespace search {

namespace {

// The text of a page as the index read it; nothing for a damaged page.
std::optional<PageText> TextOfPageBlock(const book::Book& book, const std::string& pageName) {
    std::string bytes;
    try {
        if (!book.ReadBlock(pageName, bytes)) return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return TextOfPage(pageName, bytes);
}

// A hit with its snippet, cut from the page's text; a named place is
// titled by the text it names, and its snippet starts there.
Found FoundOn(Hit hit, const std::optional<PageText>& page, const Query& query) {
    constexpr std::size_t kPlaceText = 4096;
    if (!page) return {std::move(hit), {}};
    std::string_view text = page->body;
    if (!hit.anchor.empty()) {
        const auto place = std::ranges::find(page->anchors, hit.anchor, &PageAnchor::name);
        if (place != page->anchors.end()) {
            if (!place->label.empty()) hit.title = place->label;
            text = text.substr(place->at, kPlaceText);
        }
    }
    return {std::move(hit), SnippetOf(text, query)};
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
        const std::optional<PageText> page = TextOfPageBlock(*book_, results.hits[i].pageName);
        answer.found[i] = FoundOn(std::move(results.hits[i]), page, answer.query);
    });
    return answer;
}

}  // namespace search
