// Each source reads only the files it needs; pages are read at most once
// for the outline of the book's structure they give.
#include "ContentsFinder.h"

#include "Ascii.h"
#include "BookPlaces.h"
#include "JsonTables.h"
#include "PageCharset.h"
#include "PageOutline.h"
#include "PageText.h"
#include "XmlTables.h"

#include <map>
#include <set>

namespace contents {

namespace {

// How many pages the sources that follow links may read, beyond the first.
constexpr std::size_t kPagesToFollow = 400;
// How deep the first page's links are followed when nothing else is found.
constexpr std::size_t kLinkDepth = 3;

class Finder {
public:
    explicit Finder(const BookFiles& book) : book_(book), places_(book.pages) {}

    Found Find() {
        Found found;
        for (const auto source : {&Finder::FromEpub, &Finder::FromHelpSitemap, &Finder::FromDevhelp,
                                  &Finder::FromDoxygen, &Finder::FromPandocSitemap, &Finder::FromToctrees,
                                  &Finder::FromNav, &Finder::FromNextLinks, &Finder::FromLinks}) {
            if (std::optional<Contents> contents = (this->*source)(); contents && !contents->entries.empty()) {
                found.contents = std::move(*contents);
                break;
            }
        }
        found.problems = std::move(problems_);
        return found;
    }

private:
    // ---- Files ----

    std::optional<std::string> Read(const std::string& page) {
        std::optional<std::string> bytes = book_.read(page);
        if (!bytes) problems_.push_back("could not read " + page);
        return bytes;
    }

    // A page's outline, read once. Asked only for its toctrees, a page whose
    // bytes never name their wrapper's class is not parsed: most pages a
    // toctree leads to have none.
    const PageOutline* Outline(const std::string& page, bool onlyToctrees = false) {
        static const PageOutline kNoToctrees;
        if (const auto known = outlines_.find(page); known != outlines_.end()) return &known->second;
        if (onlyToctrees && withoutToctrees_.count(page)) return &kNoToctrees;
        if (page != book_.firstPage && pagesRead_++ >= kPagesToFollow) return nullptr;
        const std::optional<std::string> bytes = Read(page);
        if (!bytes) return nullptr;
        if (onlyToctrees && bytes->find("toctree-wrapper") == std::string::npos) {
            withoutToctrees_.insert(page);
            return &kNoToctrees;
        }
        const std::string charset = search::CharsetOf(*bytes, search::PageKind::kHtml);
        std::string converted;
        const std::string_view html = search::AsUtf8(*bytes, charset, converted);
        return &outlines_.emplace(page, OutlineOf(html)).first->second;
    }

    // The files whose names end so, in the book's order.
    std::vector<std::string> FilesEndingWith(std::string_view ending) const {
        std::vector<std::string> files;
        for (const std::string& page : book_.pages)
            if (page.size() >= ending.size() &&
                ascii::EqualsNoCase(std::string_view(page).substr(page.size() - ending.size()), ending))
                files.push_back(page);
        return files;
    }

    // ---- Items to entries ----

    // The entries of items whose links stand in `file`. An item whose link
    // leads out of the book is left out, unless items below it are kept:
    // then it is a heading.
    std::vector<Entry> EntriesOf(const std::vector<ListItem>& items, const std::string& file, std::size_t depth = 0) {
        std::vector<Entry> entries;
        if (depth >= kMaxDepth) return entries;
        for (const ListItem& item : items) {
            Entry entry;
            entry.children = EntriesOf(item.children, file, depth + 1);
            if (const std::optional<Place> place =
                    item.href.empty() ? std::nullopt : places_.Resolve(file, item.href)) {
                entry.page = place->page;
                entry.anchor = place->anchor;
            } else if (entry.children.empty()) {
                continue;
            }
            entry.title = item.text.empty() ? entry.page : item.text;
            entries.push_back(std::move(entry));
        }
        return entries;
    }

    // ---- The sources ----

    std::optional<Contents> FromEpub() {
        const std::optional<std::string> container = places_.Find("META-INF/container.xml");
        if (!container) return std::nullopt;
        const std::optional<std::string> bytes = Read(*container);
        std::string problem;
        if (!bytes) return std::nullopt;
        const std::optional<std::string> packagePath = EpubPackagePath(*bytes, problem);
        if (!packagePath) return Damaged(*container, problem);
        const std::optional<std::string> package = places_.Find(*packagePath);
        if (!package) return Damaged(*container, "the package document " + *packagePath + " is not in the book");
        const std::optional<std::string> packageXml = Read(*package);
        if (!packageXml) return std::nullopt;
        const std::optional<EpubTables> tables = EpubTablesOf(*packageXml, problem);
        if (!tables) return Damaged(*package, problem);
        if (const std::optional<Place> nav =
                tables->nav.empty() ? std::nullopt : places_.Resolve(*package, tables->nav)) {
            if (const PageOutline* outline = Outline(nav->page); outline && !outline->tocNav.empty())
                return Contents{"the EPUB navigation document " + nav->page, EntriesOf(outline->tocNav, nav->page)};
            problems_.push_back(nav->page + ": it holds no <nav epub:type=\"toc\"> with entries");
        }
        if (const std::optional<Place> ncx =
                tables->ncx.empty() ? std::nullopt : places_.Resolve(*package, tables->ncx)) {
            const std::optional<std::string> ncxXml = Read(ncx->page);
            if (!ncxXml) return std::nullopt;
            const std::optional<std::vector<ListItem>> items = NcxNavMap(*ncxXml, problem);
            if (!items) return Damaged(ncx->page, problem);
            return Contents{"the EPUB NCX " + ncx->page, EntriesOf(*items, ncx->page)};
        }
        return std::nullopt;
    }

    // Of several tables of one kind (files ending in `ending`), the first
    // that lists the first page, else the first with entries. `items` reads
    // one, or gives nothing with the problem.
    template <typename Items>
    std::optional<Contents> FromTables(std::string_view ending, const std::string& kind, const Items& items) {
        std::optional<Contents> first;
        for (const std::string& file : FilesEndingWith(ending)) {
            const std::optional<std::string> bytes = Read(file);
            if (!bytes) continue;
            std::string problem;
            const std::optional<std::vector<ListItem>> read = items(file, *bytes, problem);
            if (!read) {
                Damaged(file, problem);
                continue;
            }
            Contents contents{kind + " " + file, EntriesOf(*read, file)};
            if (contents.entries.empty()) continue;
            if (Lists(contents.entries, book_.firstPage)) return contents;
            if (!first) first = std::move(contents);
        }
        return first;
    }

    using TableFile = const std::string&;

    std::optional<Contents> FromHelpSitemap() {
        return FromTables(".hhc", "the HTML Help contents", [](TableFile, const std::string& bytes, std::string&) {
            const std::string charset = search::CharsetOf(bytes, search::PageKind::kHtml);
            return std::optional(SitemapOf(search::ToUtf8(bytes, charset)));
        });
    }

    std::optional<Contents> FromDevhelp() {
        return FromTables(".devhelp2", "the Devhelp book", [](TableFile, const std::string& bytes,
                                                              std::string& problem) {
            return DevhelpChapters(bytes, problem);
        });
    }

    // navtreedata.js, its parts read from beside it.
    std::optional<Contents> FromDoxygen() {
        const auto read = [this](TableFile file, const std::string& bytes, std::string& problem) {
            const std::string folder = file.substr(0, file.rfind('/') + 1);
            const auto part = [&](const std::string& name) -> std::optional<std::string> {
                const std::optional<std::string> found = places_.Find(folder + name + ".js");
                return found ? Read(*found) : std::nullopt;
            };
            return DoxygenNavTree(bytes, part, problem);
        };
        return FromTables("navtreedata.js", "the Doxygen navigation tree", read);
    }

    std::optional<Contents> FromPandocSitemap() {
        return FromTables("sitemap.json", "the pandoc sitemap", [](TableFile, const std::string& bytes,
                                                                   std::string& problem) {
            return PandocSitemap(bytes, problem);
        });
    }

    static bool Lists(const std::vector<Entry>& entries, const std::string& page) {
        for (const Entry& entry : entries)
            if (entry.page == page || Lists(entry.children, page)) return true;
        return false;
    }

    // The toctrees of the first page, else the largest of the pages it
    // links to (a book's landing page links to its complete table).
    std::optional<Contents> FromToctrees() {
        const PageOutline* first = Outline(book_.firstPage);
        if (!first) return std::nullopt;
        std::string root = book_.firstPage;
        if (first->toctrees.empty()) {
            std::size_t largest = 0;
            for (const std::string& page : LinkedPages(book_.firstPage, *first)) {
                const PageOutline* outline = Outline(page, true);
                if (const std::size_t items = outline ? ItemCount(outline->toctrees) : 0; items > largest) {
                    largest = items;
                    root = page;
                }
            }
            if (largest == 0) return std::nullopt;
        }
        std::vector<Entry> entries = EntriesOf(Outline(root, true)->toctrees, root);
        std::set<std::string> expanded{root};
        ExpandLeaves(entries, expanded, 1);
        return Contents{"the Sphinx toctrees of " + root, std::move(entries)};
    }

    static std::size_t ItemCount(const std::vector<ListItem>& items) {
        std::size_t count = items.size();
        for (const ListItem& item : items) count += ItemCount(item.children);
        return count;
    }

    // Gives each entry of a page with no children yet the entries of that
    // page's own toctrees, each page once.
    void ExpandLeaves(std::vector<Entry>& entries, std::set<std::string>& expanded, std::size_t depth) {
        if (depth >= kMaxDepth) return;
        for (Entry& entry : entries) {
            if (entry.children.empty() && !entry.page.empty() && entry.anchor.empty() &&
                expanded.insert(entry.page).second) {
                if (const PageOutline* outline = Outline(entry.page, true))
                    entry.children = EntriesOf(outline->toctrees, entry.page, depth);
            }
            ExpandLeaves(entry.children, expanded, depth + 1);
        }
    }

    std::optional<Contents> FromNav() {
        const PageOutline* first = Outline(book_.firstPage);
        if (!first) return std::nullopt;
        const std::vector<ListItem>& items = first->tocNav.empty() ? first->nav : first->tocNav;
        return Contents{"the navigation list of " + book_.firstPage, EntriesOf(items, book_.firstPage)};
    }

    // The first page and each page it names as the next, in turn, each once.
    std::optional<Contents> FromNextLinks() {
        std::vector<Entry> entries;
        std::set<std::string> seen;
        for (std::string page = book_.firstPage; seen.insert(page).second;) {
            const PageOutline* outline = Outline(page);
            if (!outline) break;
            entries.push_back({outline->title.empty() ? page : outline->title, page, "", {}});
            const std::optional<Place> next =
                outline->next.empty() ? std::nullopt : places_.Resolve(page, outline->next);
            if (!next) break;
            page = next->page;
        }
        if (entries.size() < 2) return std::nullopt;
        return Contents{"the next-page links from " + book_.firstPage, std::move(entries)};
    }

    std::optional<Contents> FromLinks() {
        const PageOutline* first = Outline(book_.firstPage);
        if (!first) return std::nullopt;
        std::set<std::string> listed{book_.firstPage};
        std::vector<Entry> linked = FollowedLinks(book_.firstPage, *first, listed, 1);
        if (linked.empty()) return std::nullopt;
        std::vector<Entry> entries{{first->title.empty() ? book_.firstPage : first->title, book_.firstPage, "",
                                    HeadingsOf(book_.firstPage, *first)}};
        entries.insert(entries.end(), std::make_move_iterator(linked.begin()), std::make_move_iterator(linked.end()));
        return Contents{"the links of " + book_.firstPage, std::move(entries)};
    }

    // The HTML pages a page links to, in order, each once, itself not.
    std::vector<std::string> LinkedPages(const std::string& page, const PageOutline& outline) {
        std::vector<std::string> pages;
        std::set<std::string> seen{page};
        for (const std::string& href : outline.links) {
            const std::optional<Place> place = places_.Resolve(page, href);
            if (place && search::KindOfPage(place->page) == search::PageKind::kHtml && seen.insert(place->page).second)
                pages.push_back(place->page);
        }
        return pages;
    }

    std::vector<Entry> FollowedLinks(const std::string& page, const PageOutline& outline, std::set<std::string>& listed,
                                     std::size_t depth) {
        std::vector<Entry> entries;
        for (const std::string& linked : LinkedPages(page, outline)) {
            if (!listed.insert(linked).second) continue;
            const PageOutline* linkedOutline = Outline(linked);
            if (!linkedOutline) continue;
            Entry entry{linkedOutline->title.empty() ? linked : linkedOutline->title, linked, "", {}};
            entry.children = HeadingsOf(linked, *linkedOutline);
            if (depth < kLinkDepth) {
                std::vector<Entry> below = FollowedLinks(linked, *linkedOutline, listed, depth + 1);
                entry.children.insert(entry.children.end(), std::make_move_iterator(below.begin()),
                                      std::make_move_iterator(below.end()));
            }
            entries.push_back(std::move(entry));
        }
        return entries;
    }

    // A page's h1 to h3, each below the last one of a higher level; an h1
    // that only repeats the page's title is left out.
    static std::vector<Entry> HeadingsOf(const std::string& page, const PageOutline& outline) {
        std::vector<Entry> top;
        std::vector<std::pair<int, Entry*>> open;  // the last entry of each level above
        for (const Heading& heading : outline.headings) {
            if (heading.text.empty() || (heading.level == 1 && heading.text == outline.title)) continue;
            while (!open.empty() && open.back().first >= heading.level) open.pop_back();
            std::vector<Entry>& into = open.empty() ? top : open.back().second->children;
            into.push_back({heading.text, page, heading.id, {}});
            open.emplace_back(heading.level, &into.back());
        }
        return top;
    }

    std::optional<Contents> Damaged(const std::string& file, const std::string& problem) {
        problems_.push_back(file + ": " + problem);
        return std::nullopt;
    }

    const BookFiles& book_;
    BookPlaces places_;
    std::map<std::string, PageOutline> outlines_;
    std::set<std::string> withoutToctrees_;  // pages read for toctrees that have none
    std::size_t pagesRead_ = 0;
    std::vector<std::string> problems_;
};

}  // namespace

Found FindContents(const BookFiles& book) { return Finder(book).Find(); }

}  // namespace contents
