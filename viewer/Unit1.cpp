// The viewer window.
#include "Unit1.h"

#include "BookIdentity.h"
#include "BookLock.h"
#include "SettingKeys.h"
#include "SimExe.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace viewer {

const char* const kMakerSite = "http://www.zorbin.example";
const char* const kMakerEbookPage = "http://www.zorbin.example/ebook1.php";

namespace {

constexpr int kButtonPitch = 58;
constexpr int kContentsWidth = 280;
// How far past the settings a book's identity is looked for at start.
constexpr std::size_t kIdentityNear = 2 << 20;

// The zoom levels the keys and the wheel step through.
constexpr double kZoomLevels[] = {0.3, 0.5, 0.67, 0.8, 0.9, 1, 1.1, 1.25, 1.5, 1.75, 2, 2.5, 3, 4, 5};

// The level `steps` levels above (below, when negative) `level`, held at
// the ends. A level between two goes first to the one on its way.
double ZoomStep(double level, int steps) {
    const std::ptrdiff_t count = std::size(kZoomLevels);
    std::ptrdiff_t nearest = 0;
    for (std::ptrdiff_t i = 1; i < count; ++i)
        if (std::abs(kZoomLevels[i] - level) < std::abs(kZoomLevels[nearest] - level)) nearest = i;
    if (steps > 0 && kZoomLevels[nearest] > level + 1e-6) --steps;
    if (steps < 0 && kZoomLevels[nearest] < level - 1e-6) ++steps;
    return kZoomLevels[std::clamp<std::ptrdiff_t>(nearest + steps, 0, count - 1)];
}

// The titles of the reader's bookmarks, as the bookmark list shows them.
class BookmarkTitles : public toolkit::TTreeItems {
public:
    explicit BookmarkTitles(const std::vector<readerstate::Bookmark>& bookmarks) {
        for (const auto& bookmark : bookmarks) titles_.push_back(bookmark.name);
    }
    std::size_t Count(const TreePath& item) const override { return item.empty() ? titles_.size() : 0; }
    std::string Title(const TreePath& item) const override { return titles_.at(item.at(0)); }

private:
    std::vector<std::string> titles_;
};

// The page part of a page URL: what follows the prefix, up to any fragment.
std::string PageOf(const std::string& pageUrl) {
    const std::string rest = pageUrl.substr(std::string(kPagePrefix).size());
    return rest.substr(0, rest.find('#'));
}

// Whether the book holds the page a page URL opens.
bool BookHas(const book::Book& book, const std::string& pageUrl) {
    const auto names = PageNameCandidates(pageUrl);
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) { return book.Find(name).has_value(); });
}

struct ButtonDesign {
    const char* name;
    const char* caption;
    const char* picture;
};
const ButtonDesign kButtons[9] = {
    {"SpeedButton1", "Back", "back"},     {"SpeedButton2", "Next", "next"},     {"SpeedButton3", "Reload", "reload"},
    {"SpeedButton4", "Home", "home"},     {"SpeedButton5", "Stop", "stop"},     {"SpeedButton6", "Search", "search"},
    {"SpeedButton7", "Print", "print"},   {"SpeedButton8", "About", "about"},   {"SpeedButton9", "", "exit-word"},
};

}  // namespace

ViewerSettings& Settings() {
    static ViewerSettings settings;
    return settings;
}

char ToolbarFlag(int position) {
    const std::string& flags = Settings().ctoolbar;
    return position >= 1 && static_cast<std::size_t>(position) <= flags.size() ? flags[position - 1] : '0';
}

TForm1::TForm1(TForm2& about, std::shared_ptr<book::Book> book)
    : TForm(nullptr, "Form1", "eBook"), about_(about), book_(std::move(book)) {
    Maximized = true;
    ClientWidth = 734;
    ClientHeight = 444;
    Spacing = 0;

    Panel1 = Add<TPanel>("Panel1");
    Panel1->Arrange = Layout::Row;
    Panel1->Spacing = 1;
    Panel1->SetBounds(0, 0, 734, 52);
    void (TForm1::*handlers[9])(TObject&) = {
        &TForm1::SpeedButton1Click, &TForm1::SpeedButton2Click, &TForm1::SpeedButton3Click,
        &TForm1::SpeedButton4Click, &TForm1::SpeedButton5Click, &TForm1::SpeedButton6Click,
        &TForm1::SpeedButton7Click, &TForm1::SpeedButton8Click, &TForm1::SpeedButton9Click};
    TButton** fields[9] = {&SpeedButton1, &SpeedButton2, &SpeedButton3, &SpeedButton4, &SpeedButton5,
                           &SpeedButton6, &SpeedButton7, &SpeedButton8, &SpeedButton9};
    for (int i = 0; i < 9; ++i) {
        TButton* b = Panel1->Add<TButton>(kButtons[i].name, kButtons[i].caption);
        b->Flat = true;
        b->SetPicture(kButtons[i].picture);
        b->SetBounds(i * kButtonPitch, 2, 57, 48);
        b->SetVisible(false);
        b->TabStop = false;
        auto handler = handlers[i];
        b->OnClick = [this, handler](TObject& s) { (this->*handler)(s); };
        *fields[i] = b;
    }
    SpeedButton1->SetEnabled(false);
    SpeedButton2->SetEnabled(false);
    Panel1->Add<TPanel>("ToolbarGap")->Expand = true;
    ContentsButton = Panel1->Add<TButton>("ContentsButton", "Contents");
    ContentsButton->Flat = true;
    ContentsButton->SetPicture("contents");
    ContentsButton->SetBounds(476, 2, 57, 48);
    ContentsButton->SetHint("Show or hide the contents (F9)");
    ContentsButton->SetVisible(false);
    ContentsButton->TabStop = false;
    ContentsButton->OnClick = [this](TObject& s) { ContentsButtonClick(s); };
    Image1 = Panel1->Add<TImage>("Image1", "viewer-banner");
    Image1->SetBounds(534, 0, 200, 50);
    Image1->HandCursor = true;
    Image1->OnClick = [this](TObject& s) { Image1Click(s); };

    ContentsSplitter = Add<TSplitter>("ContentsSplitter");
    ContentsSplitter->Expand = true;
    ContentsSplitter->SetPosition(kContentsWidth);
    SidePane = ContentsSplitter->Add<TPageControl>("SidePane");
    SidePane->SetVisible(false);
    ContentsSheet = SidePane->Add<TTabSheet>("ContentsSheet", "Contents");
    ContentsSheet->SetTabVisible(false);
    ContentsTree = ContentsSheet->Add<TTreeView>("ContentsTree");
    ContentsTree->Expand = true;
    ContentsTree->AccessibleName = "Contents";
    ContentsTree->SetVisible(false);
    ContentsTree->OnClick = [this](TObject& s) { ContentsTreeClick(s); };
    BookmarksSheet = SidePane->Add<TTabSheet>("BookmarksSheet", "Bookmarks");
    BookmarksSheet->SetTabVisible(false);
    BookmarksList = BookmarksSheet->Add<TTreeView>("BookmarksList");
    BookmarksList->Expand = true;
    BookmarksList->AccessibleName = "Bookmarks";
    BookmarksList->OnClick = [this](TObject& s) { BookmarksListClick(s); };
    TPanel* bookmarkButtons = BookmarksSheet->Add<TPanel>("BookmarkButtons");
    bookmarkButtons->Arrange = Layout::Row;
    const std::tuple<TButton**, const char*, const char*, const char*, void (TForm1::*)(TObject&)> bookmarkActions[] = {
        {&AddBookmarkButton, "AddBookmarkButton", "Add", "Bookmark the place shown (Ctrl+D)",
         &TForm1::AddBookmarkButtonClick},
        {&RenameBookmarkButton, "RenameBookmarkButton", "Rename", "Rename the bookmark chosen",
         &TForm1::RenameBookmarkButtonClick},
        {&RemoveBookmarkButton, "RemoveBookmarkButton", "Remove", "Remove the bookmark chosen",
         &TForm1::RemoveBookmarkButtonClick}};
    for (const auto& [field, name, caption, hint, handler] : bookmarkActions) {
        *field = bookmarkButtons->Add<TButton>(name, caption);
        (*field)->SetHint(hint);
        (*field)->OnClick = [this, handler = handler](TObject& s) { (this->*handler)(s); };
    }
    webbrowser1 = ContentsSplitter->Add<TWebBrowserHost>("webbrowser1");
    webbrowser1->Expand = true;
    Browser().OnNavigateComplete = [this](const std::string& url) { webbrowser1NavigateComplete(url); };
    Browser().OnDocumentComplete = [this](const std::string& url) { webbrowser1DocumentComplete(url); };
    Browser().OnPlaceChanged = [this](const std::string& url, const std::string& spot, double fraction) {
        webbrowser1PlaceChanged(url, spot, fraction);
    };
    Browser().OnZoomWheel = [this](int steps) { Zoom(steps); };
    OnShortcut = [this](const TShortcut& key) { return FormShortcut(key); };
    Browser().OnCommandStateChange = [this](std::int32_t c, bool e) { webbrowser1CommandStateChange(c, e); };
    Browser().OnShowContextMenu = [this] { return webbrowser1ShowContextMenu(); };
    Browser().OnTranslateAccelerator = [this] { return webbrowser1TranslateAccelerator(); };
    OnClose = [this](TObject& s) { FormClose(s); };
}

TButton* TForm1::Buttons(int index) const {
    TButton* const buttons[9] = {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton5,
                                 SpeedButton6, SpeedButton7, SpeedButton8, SpeedButton9};
    return buttons[index];
}

void TForm1::FormCreate() {
    if (!book_) book_ = book::Book::OwnProgram();
    Browser().RegisterPageProtocol(book_);
    ViewerSettings& s = Settings();
    s = ViewerSettings{};
    s.chome = "index.html";
    s.cproject = "Zorbin eBook Compiler";
    const std::pair<const char*, std::string*> keys[] = {
        {SimExe::kToolbarKey, &s.ctoolbar},      {SimExe::kPasswordKey, &s.cpass},
        {SimExe::kStartMessageKey, &s.cOnStart}, {SimExe::kCloseMessageKey, &s.cOnClose},
        {SimExe::kFirstPageKey, &s.chome},       {SimExe::kTitleKey, &s.cproject},
        {SimExe::kBookNumberKey, &s.cenumber},   {SimExe::kAuthorKey, &s.cauthor},
        {SimExe::kEmailKey, &s.cemail},          {SimExe::kWebAddressKey, &s.cweb},
        {SimExe::kAboutKey, &s.cabout}};
    // A protected book's sealed settings are read once the password has
    // opened the book.
    std::vector<std::pair<const char*, std::string*>> sealed;
    for (const auto& [key, value] : keys) {
        if (book::LockOf(s.cpass).Sealed() && SimExe::IsSealedBlockName(key)) {
            sealed.emplace_back(key, value);
            continue;
        }
        book_->ReadBlock(key, *value);
    }

    SetCaption(s.cproject);
    set_toolbar();
    if (!s.cpass.empty()) {
        std::string typed = Application().dialogs().InputBox(s.cproject, "Password", "", 255).value_or("");
        if (!book::Unlock(*book_, book::LockOf(s.cpass), typed)) {
            Application().MessageBox("Incorrect Password");
            Application().Terminate();
            return;
        }
    }
    for (const auto& [key, value] : sealed) book_->ReadBlock(key, *value);
    if (!s.cOnStart.empty()) Application().MessageBox(s.cOnStart);
    // A book from before identities that is still being indexed finds its
    // identity only by reading every block's name: its reader's state is
    // read once the first page has loaded.
    if (book_->Indexed() || book_->FindNear(book::kIdentityBlockName, kIdentityNear)) KeepReader();
    std::string firstUrl = PageUrl(s.chome);
    if (const std::optional<readerstate::Place> kept = KeptPlace()) {
        firstUrl = kPagePrefix + kept->page;
        OpenPlace(*kept);
    } else {
        pages_ready = true;
        Browser().Navigate(firstUrl);
    }
    if (book_->Indexed()) ReadContentsOnce(firstUrl);
}

void TForm1::KeepReader() {
    readerKept_ = true;
    if (!book::ReopensWhereLeftOff(*book_)) return;
    keeper_ = std::make_unique<ReaderKeeper>(
        readerstate::StateFile(readerstate::StateFile::DefaultFolder(), book::IdentityOf(*book_), book_->Key()));
    const readerstate::ReaderState& kept = keeper_->State();
    if (kept.windowWidth > 0 && kept.windowHeight > 0) {
        ClientWidth = kept.windowWidth;
        ClientHeight = kept.windowHeight;
        Maximized = kept.maximized;
    }
    if (kept.contentsWidth > 0) ContentsSplitter->SetPosition(kept.contentsWidth);
    if (kept.zoom != 1) Browser().SetZoom(kept.zoom);
    ShowBookmarks();
    BookmarksSheet->SetTabVisible(true);
    if (contents_) {
        SidePane->SetVisible(kept.contentsShown);
        return;
    }
    // Without contents the pane holds the bookmarks alone: it shows when the
    // reader left it shown with some in it.
    SidePane->SetActivePage(BookmarksSheet);
    SidePane->SetVisible(kept.contentsShown && !kept.bookmarks.empty());
    ShowPaneButton("Bookmarks", "Show or hide the bookmarks (F9)");
}

void TForm1::ShowPaneButton(const std::string& caption, const std::string& hint) {
    ContentsButton->SetCaption(caption);
    ContentsButton->SetHint(hint);
    ContentsButton->SetVisible(true);
}

std::optional<readerstate::Place> TForm1::KeptPlace() const {
    if (!keeper_) return std::nullopt;
    const readerstate::Place& left = keeper_->State().place;
    if (left.page.empty() || !BookHas(*book_, kPagePrefix + left.page)) return std::nullopt;
    return left;
}

void TForm1::OpenPlace(const readerstate::Place& place) {
    placeToShow_ = place;
    pages_ready = true;
    Browser().Navigate(kPagePrefix + place.page);
}

// The table is read with the first page when the book's blocks are all
// indexed by then, else once the first page is shown: in a large eBook it
// stands after the pages, and finding it waits for the whole file's index.
// A place to show on the page loaded is shown now; one for a page that did
// not load is dropped.
void TForm1::webbrowser1DocumentComplete(const std::string& url) {
    ReadContentsOnce(url);
    if (!readerKept_) {
        KeepReader();
        if (const std::optional<readerstate::Place> kept = KeptPlace()) return OpenPlace(*kept);
    }
    if (!placeToShow_) return;
    if (IsPageUrl(url) && PageOf(url) == placeToShow_->page)
        Browser().ShowPlace(placeToShow_->spot, placeToShow_->fraction);
    placeToShow_.reset();
}

// Places told while a place waits to be shown are of the page's top, not
// the reader's; and before the reader went anywhere, the first page's top
// is where the book opens anyway.
void TForm1::webbrowser1PlaceChanged(const std::string& url, const std::string& spot, double fraction) {
    if (!keeper_ || placeToShow_ || !IsPageUrl(url)) return;
    const readerstate::Place told{PageOf(url), spot, fraction};
    if (keeper_->State().place.page.empty() && told == readerstate::Place{PageOf(PageUrl(Settings().chome)), "", 0})
        return;
    keeper_->Change([&](readerstate::ReaderState& state) { state.place = told; });
}

void TForm1::ReadContentsOnce(const std::string& shownUrl) {
    if (contentsRead_) return;
    contentsRead_ = true;
    LoadContents();
    webbrowser1NavigateComplete(shownUrl);
}

void TForm1::LoadContents() {
    std::string bytes;
    try {
        if (!book_->ReadBlock(contents::kContentsBlockName, bytes)) return;
    } catch (const std::exception&) {
        return;  // a damaged table is no table
    }
    std::optional<contents::Contents> table = contents::Decode(bytes);
    if (!table || table->entries.empty()) return;
    contents_ = std::make_shared<const BookContents>(std::move(*table));
    ContentsTree->SetItems(contents_);
    ContentsTree->SetVisible(true);
    ContentsSheet->SetTabVisible(true);
    SidePane->SetActivePage(ContentsSheet);
    SidePane->SetVisible(!keeper_ || keeper_->State().contentsShown);
    ShowPaneButton("Contents", "Show or hide the contents (F9)");
}

void TForm1::FormDestroy() {
    KeepWindow();
    Browser().UnregisterPageProtocol();
}

void TForm1::FormClose(TObject&) {
    KeepWindow();
    if (closeMessageShown_ || Settings().cOnClose.empty()) return;
    closeMessageShown_ = true;
    Application().MessageBox(Settings().cOnClose);
}

void TForm1::KeepWindow() {
    if (!keeper_) return;
    keeper_->Change([&](readerstate::ReaderState& state) {
        state.windowWidth = ClientWidth;
        state.windowHeight = ClientHeight;
        state.maximized = Maximized;
        state.contentsWidth = ContentsSplitter->Position();
        state.contentsShown = SidePane->Visible();
    });
    keeper_->Flush();
}

void TForm1::Zoom(int steps) { SetZoom(ZoomStep(Browser().Zoom(), steps)); }

void TForm1::SetZoom(double level) {
    Browser().SetZoom(level);
    if (keeper_) keeper_->Change([&](readerstate::ReaderState& state) { state.zoom = level; });
}

void TForm1::set_toolbar() {
    int x = 0;
    for (int p = 1; p <= 9; ++p) {
        if (ToolbarFlag(p) != '1') continue;
        TButton* b = Buttons(p - 1);
        b->SetVisible(true);
        b->SetLeft(x);
        x += kButtonPitch;
    }
}

void TForm1::SpeedButton1Click(TObject&) { Browser().GoBack(); }
void TForm1::SpeedButton2Click(TObject&) { Browser().GoForward(); }
void TForm1::SpeedButton3Click(TObject&) { Browser().Refresh(); }

void TForm1::SpeedButton4Click(TObject&) {
    pages_ready = true;
    Browser().Navigate(PageUrl(Settings().chome));
}

void TForm1::SpeedButton5Click(TObject&) { Browser().Stop(); }

void TForm1::SpeedButton6Click(TObject&) {
    if (Browser().HasDocument()) Browser().Find();
}

void TForm1::SpeedButton7Click(TObject&) {
    if (Browser().HasDocument()) Browser().Print();
}

void TForm1::SpeedButton8Click(TObject&) {
    const ViewerSettings& s = Settings();
    TMemo* text = about_.aboutms;
    text->Clear();
    text->AddLine("");
    const std::pair<const char*, const std::string*> lines[] = {
        {"Title: ", &s.cproject}, {"eBook # ", &s.cenumber}, {"Author: ", &s.cauthor},
        {"Web: ", &s.cweb},       {"eMail: ", &s.cemail},    {"", &s.cabout}};
    for (const auto& [prefix, value] : lines) {
        if (value->empty()) continue;
        text->AddLine(prefix + *value);
        text->AddLine("");
    }
    about_.ShowModal();
}

void TForm1::SpeedButton9Click(TObject&) { Close(); }

void TForm1::Image1Click(TObject&) { SimExe::RunProgram(kMakerEbookPage); }

void TForm1::webbrowser1CommandStateChange(std::int32_t command, bool enable) {
    if (command == CSC_NAVIGATEFORWARD) SpeedButton2->SetEnabled(enable);
    if (command == CSC_NAVIGATEBACK) SpeedButton1->SetEnabled(enable);
}

HRESULT TForm1::webbrowser1ShowContextMenu() { return ToolbarFlag(11) == '1' ? S_OK : S_FALSE; }

HRESULT TForm1::webbrowser1TranslateAccelerator() { return S_OK; }

// The tree follows the reader: the entry of the place shown is selected, or
// none when no entry opens its page.
void TForm1::webbrowser1NavigateComplete(const std::string& url) {
    shownUrl_ = url;
    if (!contents_) return;
    const std::optional<TreePath> entry =
        contents_->EntryFor(PageNameCandidates(url), AnchorOfUrl(url), ContentsTree->Selected());
    ContentsTree->SetSelected(entry.value_or(TreePath{}));
}

bool TForm1::FormShortcut(const TShortcut& key) {
    const bool plain = !key.control && !key.alt && !key.shift;
    // Shift may be held: on many keyboards "+" is a shifted key.
    const bool control = key.control && !key.alt;
    const bool alt = key.alt && !key.control && !key.shift;
    const bool pane = ContentsButton->Visible();
    if (key.key == "F9" && plain && pane) {
        ContentsButton->Click();
        // The keyboard goes where the reader looks: into the pane shown, back to the page.
        if (SidePane->Visible())
            FocusSidePane();
        else
            webbrowser1->SetFocus();
        return true;
    }
    if (key.key == "F6" && plain && SidePane->Visible()) {
        FocusSidePane();
        return true;
    }
    if ((key.key == "Page_Down" || key.key == "Page_Up") && control && !key.shift && contents_) {
        if (const auto next = contents_->NextPage(ContentsTree->Selected(), key.key == "Page_Down")) OpenEntry(*next);
        return true;
    }
    if (control && (key.key == "plus" || key.key == "equal" || key.key == "minus")) {
        Zoom(key.key == "minus" ? -1 : 1);
        return true;
    }
    if (control && key.key == "0") {
        SetZoom(1);
        return true;
    }
    if (control && !key.shift && key.key == "f") {
        if (ToolbarFlag(6) == '1') SpeedButton6->Click();
        return true;
    }
    if (control && !key.shift && key.key == "d") {
        if (keeper_) AddBookmarkButton->Click();
        return true;
    }
    if (alt && (key.key == "Left" || key.key == "Right")) {
        TButton* const button = key.key == "Left" ? SpeedButton1 : SpeedButton2;
        if (ToolbarFlag(key.key == "Left" ? 1 : 2) == '1' && button->Enabled()) button->Click();
        return true;
    }
    return false;
}

void TForm1::FocusSidePane() {
    (SidePane->ActivePage() == BookmarksSheet ? BookmarksList : ContentsTree)->SetFocus();
}

void TForm1::ContentsTreeClick(TObject&) { OpenEntry(ContentsTree->Selected()); }

void TForm1::ContentsButtonClick(TObject&) {
    const bool shown = !SidePane->Visible();
    SidePane->SetVisible(shown);
    if (keeper_) keeper_->Change([&](readerstate::ReaderState& state) { state.contentsShown = shown; });
}

void TForm1::ShowBookmarks() {
    BookmarksList->SetItems(std::make_shared<const BookmarkTitles>(keeper_->State().bookmarks));
}

// Which bookmark is chosen in the list; none when nothing is.
std::optional<std::size_t> TForm1::ChosenBookmark() const {
    if (!keeper_) return std::nullopt;
    const TreePath& chosen = BookmarksList->Selected();
    if (chosen.size() != 1 || chosen[0] < 0 || static_cast<std::size_t>(chosen[0]) >= keeper_->State().bookmarks.size())
        return std::nullopt;
    return static_cast<std::size_t>(chosen[0]);
}

void TForm1::BookmarksListClick(TObject&) {
    if (const std::optional<std::size_t> chosen = ChosenBookmark()) OpenPlace(keeper_->State().bookmarks[*chosen].place);
}

// The place shown is the last one the page told, when it told one for this
// page; else the page's top. Only the book's pages are bookmarked.
void TForm1::AddBookmarkButtonClick(TObject&) {
    if (!keeper_ || !IsPageUrl(shownUrl_)) return;
    readerstate::Bookmark bookmark;
    bookmark.place = keeper_->State().place;
    if (bookmark.place.page != PageOf(shownUrl_)) bookmark.place = {PageOf(shownUrl_), "", 0};
    bookmark.name = Browser().Title();
    if (bookmark.name.empty()) bookmark.name = bookmark.place.page;
    keeper_->Change([&](readerstate::ReaderState& state) { state.bookmarks.push_back(bookmark); });
    ShowBookmarks();
    BookmarksList->SetSelected({static_cast<int>(keeper_->State().bookmarks.size()) - 1});
    SidePane->SetActivePage(BookmarksSheet);
    if (!SidePane->Visible()) ContentsButton->Click();
}

void TForm1::RenameBookmarkButtonClick(TObject&) {
    const std::optional<std::size_t> chosen = ChosenBookmark();
    if (!chosen) return;
    const std::size_t index = *chosen;
    const std::optional<std::string> name = Application().dialogs().InputBox(
        Settings().cproject, "Bookmark name", keeper_->State().bookmarks[index].name, 255);
    if (!name || name->empty()) return;
    keeper_->Change([&](readerstate::ReaderState& state) { state.bookmarks[index].name = *name; });
    ShowBookmarks();
    BookmarksList->SetSelected({static_cast<int>(index)});
}

void TForm1::RemoveBookmarkButtonClick(TObject&) {
    const std::optional<std::size_t> chosen = ChosenBookmark();
    if (!chosen) return;
    const std::size_t index = *chosen;
    keeper_->Change([&](readerstate::ReaderState& state) { state.bookmarks.erase(state.bookmarks.begin() + index); });
    ShowBookmarks();
    const std::size_t left = keeper_->State().bookmarks.size();
    if (left > 0) BookmarksList->SetSelected({static_cast<int>(std::min(index, left - 1))});
}

void TForm1::OpenEntry(const TreePath& item) {
    const contents::Entry* entry = contents_ ? contents_->EntryAt(item) : nullptr;
    if (!entry || entry->page.empty()) return;
    ContentsTree->SetSelected(item);
    pages_ready = true;
    Browser().Navigate(PlaceUrl(entry->page, entry->anchor));
}

}  // namespace viewer
