// Whole-book search over the block store.
#include "BookSearch.h"

#include "AccessIndex.h"
#include "PageText.h"
#include "SharedWork.h"
#include "SimExe.h"
#include "ZLibEx.h"

namespace search {

namespace {

// The text a snippet is cut from: the page's, as the index read it.
std::string TextOfPageBlock(const std::string& pageName) {
    std::string bytes;
    try {
        if (!SimExe::ReadBlock(pageName, bytes)) return {};
    } catch (const std::exception&) {
        return {};  // a damaged page has no snippet
    }
    const std::optional<PageText> text = TextOfPage(pageName, bytes);
    return text ? text->body : std::string();
}

}  // namespace

std::unique_ptr<BookSearch> BookSearch::Open() {
    std::unique_ptr<BookSearch> book(new BookSearch());
    SimExe::TBlockStore& store = SimExe::BlockStore();
    if (store.Find(SimExe::AccessIndexName(kIndexBlockName))) {
        book->index_ = std::make_unique<SearchIndex>(IndexBlock{kIndexBlockName});
        return book;
    }
    try {
        if (!SimExe::ReadBlock(kIndexBlockName, book->image_)) return nullptr;
    } catch (const ZLibEx::EZLibError& e) {
        throw EIndexError(std::string("The search index is damaged: ") + e.what());
    }
    book->index_ = std::make_unique<SearchIndex>(book->image_);
    return book;
}

Answer BookSearch::Search(std::string_view typed, bool typing, std::size_t limit) const {
    Answer answer;
    answer.query = ParseQuery(typed, typing);
    Results results = index_->Find(answer.query, limit);
    answer.count = results.count;
    answer.found.resize(results.hits.size());
    // Each snippet reads and parses its page: the cores share them out.
    base::ShareOut(results.hits.size(), [&](std::size_t i) {
        answer.found[i].snippet = SnippetOf(TextOfPageBlock(results.hits[i].pageName), answer.query);
        answer.found[i].hit = std::move(results.hits[i]);
    });
    return answer;
}

}  // namespace search
