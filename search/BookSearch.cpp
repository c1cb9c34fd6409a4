// Whole-book search over the block store.
#include "BookSearch.h"

#include "PageText.h"
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
    std::string image;
    try {
        if (!SimExe::ReadBlock(kIndexBlockName, image)) return nullptr;
    } catch (const ZLibEx::EZLibError& e) {
        throw EIndexError(std::string("The search index is damaged: ") + e.what());
    }
    return std::unique_ptr<BookSearch>(new BookSearch(std::move(image)));
}

BookSearch::BookSearch(std::string image) : image_(std::move(image)), index_(image_) {}

Answer BookSearch::Search(std::string_view typed, bool typing, std::size_t limit) const {
    Answer answer;
    answer.query = ParseQuery(typed, typing);
    Results results = index_.Find(answer.query, limit);
    answer.count = results.count;
    for (Hit& hit : results.hits) {
        Snippet snippet = SnippetOf(TextOfPageBlock(hit.pageName), answer.query);
        answer.found.push_back({std::move(hit), std::move(snippet)});
    }
    return answer;
}

}  // namespace search
