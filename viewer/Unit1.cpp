// The viewer window.
#include "Unit1.h"

#include "BookLock.h"
#include "SettingKeys.h"
#include "SimExe.h"

namespace viewer {

const char* const kMakerSite = "http://www.zorbin.example";
const char* const kMakerEbookPage = "http://www.zorbin.example/ebook1.php";

namespace {

constexpr int kButtonPitch = 58;
constexpr int kContentsWidth = 280;

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
    ContentsTree = ContentsSplitter->Add<TTreeView>("ContentsTree");
    ContentsTree->AccessibleName = "Contents";
    ContentsTree->SetVisible(false);
    ContentsTree->OnClick = [this](TObject& s) { ContentsTreeClick(s); };
    webbrowser1 = ContentsSplitter->Add<TWebBrowserHost>("webbrowser1");
    webbrowser1->Expand = true;
    Browser().OnNavigateComplete = [this](const std::string& url) { webbrowser1NavigateComplete(url); };
    Browser().OnDocumentComplete = [this](const std::string& url) { webbrowser1DocumentComplete(url); };
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
    pages_ready = true;
    Browser().Navigate(PageUrl(s.chome));
    if (book_->Indexed()) ReadContentsOnce(PageUrl(s.chome));
}

// The table is read with the first page when the book's blocks are all
// indexed by then, else once the first page is shown: in a large eBook it
// stands after the pages, and finding it waits for the whole file's index.
void TForm1::webbrowser1DocumentComplete(const std::string& url) { ReadContentsOnce(url); }

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
    ContentsButton->SetVisible(true);
}

void TForm1::FormDestroy() { Browser().UnregisterPageProtocol(); }

void TForm1::FormClose(TObject&) {
    if (closeMessageShown_ || Settings().cOnClose.empty()) return;
    closeMessageShown_ = true;
    Application().MessageBox(Settings().cOnClose);
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
    if (!contents_) return;
    const std::optional<TreePath> entry =
        contents_->EntryFor(PageNameCandidates(url), AnchorOfUrl(url), ContentsTree->Selected());
    ContentsTree->SetSelected(entry.value_or(TreePath{}));
}

bool TForm1::FormShortcut(const TShortcut& key) {
    if (!contents_) return false;
    const bool plain = !key.control && !key.alt && !key.shift;
    if (key.key == "F9" && plain) {
        ContentsButton->Click();
        // The keyboard goes where the reader looks: into the tree shown, back to the page.
        if (ContentsTree->Visible())
            ContentsTree->SetFocus();
        else
            webbrowser1->SetFocus();
        return true;
    }
    if (key.key == "F6" && plain && ContentsTree->Visible()) {
        ContentsTree->SetFocus();
        return true;
    }
    if ((key.key == "Page_Down" || key.key == "Page_Up") && key.control && !key.alt) {
        if (const auto next = contents_->NextPage(ContentsTree->Selected(), key.key == "Page_Down")) OpenEntry(*next);
        return true;
    }
    return false;
}

void TForm1::ContentsTreeClick(TObject&) { OpenEntry(ContentsTree->Selected()); }

void TForm1::ContentsButtonClick(TObject&) { ContentsTree->SetVisible(!ContentsTree->Visible()); }

void TForm1::OpenEntry(const TreePath& item) {
    const contents::Entry* entry = contents_ ? contents_->EntryAt(item) : nullptr;
    if (!entry || entry->page.empty()) return;
    ContentsTree->SetSelected(item);
    pages_ready = true;
    Browser().Navigate(PlaceUrl(entry->page, entry->anchor));
}

}  // namespace viewer
