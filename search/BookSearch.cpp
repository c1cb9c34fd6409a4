// Whole-book search over a book.
#include "BookSearch.h"

#include "AccessIndex.h"
#include "PageText.h"
#include "SharedWork.h"
#include "ZLibEx.h"

namespace search {

namespace {

// The text a snippet is cut from: the page's, as the index read it.
std::string TextOfPageBlock(const book::Book& book, const std::string& pageName) {
    std::string bytes;
    try {
        if (!book.ReadBlock(pageName, bytes)) return {};
    } catch (const std::exception&) {
        return {};  // a damaged page has no snippet
    }
    const std::optional<PageText> text = TextOfPage(pageName, bytes);
    return text ? text->body : std::string();
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
        answer.found[i].snippet = SnippetOf(TextOfPageBlock(*book_, results.hits[i].pageName), answer.query);
        answer.found[i].hit = std::move(results.hits[i]);
    });
    return answer;
}

}  // namespace search
