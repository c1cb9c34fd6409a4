// The compiler's wizard window.
#include "compilerUnit1.h"

#include "BookIdentity.h"
#include "SettingKeys.h"
#include "SimExe.h"

#include <sys/stat.h>

#include <filesystem>

namespace compiler {

const char* const kMakerSite = "http://www.zorbin.example";
const char* const kMakerWebPage = "http://www.zorbin.example/main1.php";
const char* const kMakerEmail = "ebook@zorbin.example";
const char* const kWindowCaption = "Zorbin eBook Compiler - v1.0";

namespace {

const char* const kDefaultMessage = "Your Message Here...";
const char* const kProjectIdentityPrefix = "Zorbin eBook identity from its project";

char Flag(const TCheckBox* box) { return box->Checked() ? '1' : '0'; }

bool FolderExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A label above a field.
template <class T>
T* Field(TWinControl* parent, const std::string& caption, const std::string& name) {
    parent->Add<TLabel>(name + "_label", caption);
    return parent->Add<T>(name);
}

TWinControl* Row(TWinControl* parent, const std::string& name) {
    auto* row = parent->Add<TPanel>(name);
    row->Arrange = Layout::Row;
    return row;
}

TButton* FlatButton(TWinControl* parent, const std::string& name, const std::string& caption,
                    const std::string& picture, int width, int height) {
    auto* b = parent->Add<TButton>(name, caption);
    b->Flat = true;
    b->SetPicture(picture);
    b->SetBounds(0, 0, width, height);
    return b;
}

// The last component of the project folder's path ("site" of
// "/home/me/site/"), a relative one read against the compiler's folder as
// the compile reads it; empty while there is no folder.
std::string FolderName(const std::string& folder) {
    if (folder.empty()) return {};
    std::filesystem::path path =
        std::filesystem::path(SimExe::PathAgainst(folder, SimExe::ExecutableFolder())).lexically_normal();
    if (!path.has_filename()) path = path.parent_path();
    return path.filename().string();
}

}  // namespace

std::string& ToolbarFlags() {
    static std::string flags;
    return flags;
}

std::string& ProjectFileName() {
    static std::string name;
    return name;
}

std::string OutputFileExt(const std::string& name) {
    const std::string last = name.substr(name.rfind('/') == std::string::npos ? 0 : name.rfind('/') + 1);
    std::size_t dot = last.rfind('.');
    return dot == std::string::npos ? std::string() : last.substr(dot);
}

std::string ExtractFileExt(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.find_first_of("\\:", dot) != std::string::npos) return "";
    return name.substr(dot);
}

TNotifyEvent TForm1::Handler(void (TForm1::*method)(TObject&)) {
    return [this, method](TObject& sender) { (this->*method)(sender); };
}

TForm1::TForm1() : TForm(nullptr, "Form1", kWindowCaption), OpenDialog1(), SaveDialog1() {
    Resizable = false;
    ClientWidth = 574;
    ClientHeight = 397;
    Arrange = Layout::Row;
    Spacing = 0;

    BuildLeftStrip(this);
    PageControl1 = Add<TPageControl>("PageControl1");
    PageControl1->Expand = true;
    PageControl1->SetBounds(120, 0, 454, 397);
    TabSheet7 = PageControl1->Add<TTabSheet>("TabSheet7", "About");
    TabSheet1 = PageControl1->Add<TTabSheet>("TabSheet1", "General info");
    TabSheet2 = PageControl1->Add<TTabSheet>("TabSheet2", "Project Files");
    TabSheet3 = PageControl1->Add<TTabSheet>("TabSheet3", "Events");
    TabSheet4 = PageControl1->Add<TTabSheet>("TabSheet4", "Security");
    TabSheet5 = PageControl1->Add<TTabSheet>("TabSheet5", "Advanced");
    TabSheet6 = PageControl1->Add<TTabSheet>("TabSheet6", "Compile");
    BuildAboutPage();
    BuildGeneralPage();
    BuildFilesPage();
    BuildEventsPage();
    BuildSecurityPage();
    BuildAdvancedPage();
    BuildCompilePage();

    BrowseForFolder1.StatusText = "Please Select a Folder";
    BrowseForFolder1.Caption = "Select Folder";
    BWFileFinder1.FileAttr = {BWFileFinder::TFileAttrKind::ffaDirectory, BWFileFinder::TFileAttrKind::ffaAnyFile};
    BWFileFinder1.InSubFolders = true;
    BWFileFinder1.FileMask = "*.*";
}

void TForm1::BuildLeftStrip(TWinControl* parent) {
    auto* strip = parent->Add<TPanel>("LeftStrip");
    strip->SetBounds(0, 0, 120, 397);
    strip->Padding = 4;
    Image2 = strip->Add<TImage>("Image2", "logo");
    Image2->SetBounds(0, 0, 121, 193);
    auto* frame = strip->Add<TGroupBox>("GroupBox7");
    frame->Expand = true;
    frame->Spacing = 2;
    frame->Padding = 4;
    SpeedButton1 = FlatButton(frame, "SpeedButton1", "New Project", "new", 81, 49);
    SpeedButton12 = FlatButton(frame, "SpeedButton12", "Open Project", "open", 81, 49);
    SpeedButton13 = FlatButton(frame, "SpeedButton13", "Save Project", "save", 81, 49);
    SpeedButton29 = FlatButton(frame, "SpeedButton29", "Exit", "exit", 81, 49);
    SpeedButton1->OnClick = Handler(&TForm1::SpeedButton1Click);
    SpeedButton12->OnClick = Handler(&TForm1::SpeedButton12Click);
    SpeedButton13->OnClick = Handler(&TForm1::SpeedButton13Click);
    SpeedButton29->OnClick = Handler(&TForm1::SpeedButton29Click);
}

TGroupBox* TForm1::PageGroup(TTabSheet* page, const std::string& name, const std::string& caption) {
    page->Padding = 8;
    auto* group = page->Add<TGroupBox>(name, caption);
    group->Expand = true;
    group->Padding = 8;
    group->SetBounds(8, 8, 409, 297);
    return group;
}

void TForm1::NavigationRow(TTabSheet* page, TButton** back, const char* backName, TButton** next,
                           const char* nextName) {
    page->Add<TBevel>(page->Name() + "_rule");
    TWinControl* row = Row(page, page->Name() + "_navigation");
    row->CrossAlign = Align::End;
    if (back) {
        *back = FlatButton(row, backName, "Back", "back", 57, 48);
        (*back)->OnClick = Handler(&TForm1::PreviousPageClick);
    }
    if (next) {
        *next = FlatButton(row, nextName, "Next", "next", 57, 48);
        (*next)->OnClick = Handler(&TForm1::NextPageClick);
    }
}

void TForm1::BuildAboutPage() {
    TTabSheet* page = TabSheet7;
    page->Padding = 12;
    page->Spacing = 8;
    auto* art = page->Add<TImage>("Image3", "about-art");
    art->CrossAlign = Align::Center;
    page->Add<TLabel>("Label14", "Free distribution permitted.")->CrossAlign = Align::Center;

    TWinControl* web = Row(page, "WebRow");
    web->CrossAlign = Align::Center;
    web->Add<TImage>("Image4", "web");
    Label15 = web->Add<TLabel>("Label15", kMakerSite);
    TWinControl* mail = Row(page, "MailRow");
    mail->CrossAlign = Align::Center;
    mail->Add<TImage>("Image5", "email");
    Label17 = mail->Add<TLabel>("Label17", kMakerEmail);
    for (TLabel* link : {Label15, Label17}) {
        link->IsLink = true;
        link->Underline = true;
        link->FontColour = Colour::HotTrack;
        link->HandCursor = true;
    }
    Label15->OnClick = Handler(&TForm1::Label15Click);
    Label17->OnClick = Handler(&TForm1::Label17Click);

    auto* notice = page->Add<TLabel>("Label16", "Zorbin eBook Compiler turns a folder of web pages into one eBook program.");
    notice->WordWrap = true;
    notice->CrossAlign = Align::Center;
    notice->Expand = true;

    Image1 = page->Add<TImage>("Image1", "banner");
    Image1->SetBounds(0, 0, 361, 65);
    Image1->HandCursor = true;
    Image1->CrossAlign = Align::Center;
    Image1->OnClick = Handler(&TForm1::Label15Click);
}

void TForm1::BuildGeneralPage() {
    TGroupBox* group = PageGroup(TabSheet1, "GroupBox1", " Project info ");
    TWinControl* titleRow = Row(group, "TitleRow");
    auto* titleColumn = titleRow->Add<TPanel>("TitleColumn");
    titleColumn->Expand = true;
    titleColumn->Spacing = 2;
    vproject_title = Field<TEdit>(titleColumn, "Project Title:", "vproject_title");
    auto* numberColumn = titleRow->Add<TPanel>("NumberColumn");
    numberColumn->Spacing = 2;
    vEnumber = Field<TEdit>(numberColumn, "eBook Number", "vEnumber");
    vEnumber->SetBounds(0, 0, 90, 21);
    vauthor = Field<TEdit>(group, "Author:", "vauthor");
    vemail = Field<TEdit>(group, "E-mail:", "vemail");
    vweb = Field<TEdit>(group, "Web:", "vweb");
    vabout = Field<TMemo>(group, "Other Information:", "vabout");
    vabout->Expand = true;
    NavigationRow(TabSheet1, nullptr, nullptr, &SpeedButton2, "SpeedButton2");
}

void TForm1::BuildFilesPage() {
    TGroupBox* group = PageGroup(TabSheet2, "GroupBox2");
    vproject_dir = Field<TEdit>(group, "Select your project directory:", "vproject_dir");
    vproject_dir->SetReadOnly(true);
    TWinControl* buttons = Row(group, "DirectoryButtons");
    Button3 = buttons->Add<TButton>("Button3", "Select Project Directory");
    Button3->OnClick = Handler(&TForm1::Button3Click);
    CheckBox1 = buttons->Add<TCheckBox>("CheckBox1", "Include Sub-Folders");
    CheckBox1->Expand = true;
    CheckBox1->OnClick = Handler(&TForm1::CheckBox1Click);
    SpeedButton28 = buttons->Add<TButton>("SpeedButton28", "Re-Scan");
    SpeedButton28->Flat = true;
    SpeedButton28->Bold = true;
    SpeedButton28->FontColour = Colour::Navy;
    SpeedButton28->OnClick = Handler(&TForm1::SpeedButton28Click);
    group->Add<TBevel>("Bevel2");
    vProject_files = group->Add<TListBox>("vProject_files");
    vProject_files->Expand = true;
    vProject_files->TabStop = false;
    vProject_files->OnClick = Handler(&TForm1::vProject_filesClick);
    TWinControl* total = Row(group, "TotalRow");
    total->Add<TLabel>("Label8", "Total Files:");
    ltotalfiles = total->Add<TLabel>("ltotalfiles", "0");
    ltotalfiles->Bold = true;
    group->Add<TBevel>("Bevel3");
    TWinControl* first = Row(group, "FirstPageRow");
    first->Add<TLabel>("Label9", "First Page:");
    vproject_homefile = first->Add<TEdit>("vproject_homefile");
    vproject_homefile->SetReadOnly(true);
    vproject_homefile->Border = false;
    vproject_homefile->TabStop = false;
    vproject_homefile->Expand = true;
    TWinControl* choose = Row(group, "ChooseRow");
    choose->Add<TLabel>("Label10", "Select the first page:");
    vProject_homepage = choose->Add<TComboBox>("vProject_homepage");
    vProject_homepage->Expand = true;
    vProject_homepage->DropDownWhileTyping = true;
    vProject_homepage->SetEnabled(false);
    vProject_homepage->OnChange = Handler(&TForm1::vProject_homepageChange);
    NavigationRow(TabSheet2, &SpeedButton3, "SpeedButton3", &SpeedButton4, "SpeedButton4");
}

void TForm1::BuildEventsPage() {
    TGroupBox* group = PageGroup(TabSheet3, "GroupBox4");
    auto message = [&](TCheckBox*& show, const char* showName, const char* caption, TMemo*& memo,
                       const char* memoName, TButton*& preview, const char* previewName) {
        show = group->Add<TCheckBox>(showName, caption);
        memo = group->Add<TMemo>(memoName);
        memo->Expand = true;
        memo->SetEnabled(false);
        preview = group->Add<TButton>(previewName, "Preview");
        preview->Flat = true;
        preview->Bold = true;
        preview->CrossAlign = Align::End;
    };
    message(vShowStart, "vShowStart", "Show Start Message", vOnStart, "vOnStart", SpeedButton17, "SpeedButton17");
    message(vShowClose, "vShowClose", "Show Close Message", vOnClose, "vOnClose", SpeedButton18, "SpeedButton18");
    vShowStart->OnClick = Handler(&TForm1::vShowStartClick);
    vShowClose->OnClick = Handler(&TForm1::vShowCloseClick);
    SpeedButton17->OnClick = Handler(&TForm1::SpeedButton17Click);
    SpeedButton18->OnClick = Handler(&TForm1::SpeedButton18Click);
    NavigationRow(TabSheet3, &SpeedButton5, "SpeedButton5", &SpeedButton6, "SpeedButton6");
}

void TForm1::BuildSecurityPage() {
    TGroupBox* group = PageGroup(TabSheet4, "GroupBox5");
    auto* password = group->Add<TGroupBox>("GroupBox6", " Password Protect  ");
    password->Padding = 8;
    vUse_pass = password->Add<TCheckBox>("vUse_pass", "Use a global password");
    vUse_pass->OnClick = Handler(&TForm1::vUse_passClick);
    GroupBox3 = password->Add<TGroupBox>("GroupBox3");
    GroupBox3->Arrange = Layout::Row;
    GroupBox3->Padding = 6;
    GroupBox3->SetVisible(false);
    GroupBox3->Add<TLabel>("Label11", "Set password:");
    vpass = GroupBox3->Add<TEdit>("vpass");
    vpass->Expand = true;

    auto* restrictions = group->Add<TGroupBox>("GroupBox8", " Interface Restrictions ");
    restrictions->Padding = 8;
    vDisable_menu = restrictions->Add<TCheckBox>("vDisable_menu", "Disable Mouse Right Click Button and Copy/Paste Functions");
    vDisable_print = restrictions->Add<TCheckBox>("vDisable_print", "Disable Print");
    vDisable_print->OnClick = Handler(&TForm1::vDisable_printClick);
    NavigationRow(TabSheet4, &SpeedButton7, "SpeedButton7", &SpeedButton8, "SpeedButton8");
}

void TForm1::BuildAdvancedPage() {
    TGroupBox* group = PageGroup(TabSheet5, "GroupBox9");
    auto* compression = group->Add<TGroupBox>("GroupBox10", " Compression ");
    compression->Padding = 8;
    auto* hint = compression->Add<TLabel>("Label12", "Select the level of compression you wish to apply  to the eBook.");
    hint->WordWrap = true;
    Vzip_1 = compression->Add<TRadioButton>("Vzip_1", "Fast Compression");
    Vzip_2 = compression->Add<TRadioButton>("Vzip_2", "Normal Compression");
    Vzip_3 = compression->Add<TRadioButton>("Vzip_3", "Maximum Compression");
    Vzip_1->SetEnabled(false);
    Vzip_3->SetEnabled(false);
    Vzip_2->SetChecked(true);

    auto* search = group->Add<TGroupBox>("GroupBox13", " Search ");
    search->Padding = 8;
    vSearchIndex = search->Add<TCheckBox>("vSearchIndex", "Build a search index");
    vSearchIndex->SetHint("Lets readers search every page of the eBook at once");
    vSearchIndex->SetChecked(true);

    auto* reading = group->Add<TGroupBox>("GroupBox14", " Reading ");
    reading->Padding = 8;
    vShowContents = reading->Add<TCheckBox>("vShowContents", "Show the contents");
    vShowContents->SetHint("Shows the book's table of contents beside every page");
    vShowContents->SetChecked(true);
    vReopen = reading->Add<TCheckBox>("vReopen", "Reopen where the reader left off");
    vReopen->SetHint("The eBook opens at the page and place its reader last read, at the zoom and window size "
                     "they chose, and keeps their bookmarks");
    vReopen->SetChecked(true);

    auto* toolbar = group->Add<TGroupBox>("GroupBox11", " Toolbar Buttons");
    toolbar->Arrange = Layout::Row;
    toolbar->Padding = 8;
    struct Slot {
        TButton** picture;
        const char* pictureName;
        const char* hint;
        const char* pictureId;
        TCheckBox** box;
        const char* boxName;
    };
    const Slot slots[] = {
        {&SpeedButton27, "SpeedButton27", "Back", "back", &vT1, "vT1"},
        {&SpeedButton26, "SpeedButton26", "Next", "next", &vT2, "vT2"},
        {&SpeedButton25, "SpeedButton25", "Reload", "reload", &vT3, "vT3"},
        {&SpeedButton24, "SpeedButton24", "Home", "home", &vT4, "vT4"},
        {&SpeedButton23, "SpeedButton23", "Stop", "stop", &vT5, "vT5"},
        {&SpeedButton21, "SpeedButton21", "Search", "search", &vT6, "vT6"},
        {&SpeedButton20, "SpeedButton20", "Print", "print", &vT7, "vT7"},
        {&SpeedButton19, "SpeedButton19", "About", "about", &vT8, "vT8"},
        {&SpeedButton22, "SpeedButton22", "Exit", "exit", &vT9, "vT9"},
    };
    for (const Slot& slot : slots) {
        auto* column = toolbar->Add<TPanel>(std::string(slot.boxName) + "_column");
        column->Spacing = 2;
        column->Expand = true;
        *slot.picture = FlatButton(column, slot.pictureName, "", slot.pictureId, 38, 38);
        (*slot.picture)->SetHint(slot.hint);
        (*slot.picture)->CrossAlign = Align::Center;
        *slot.box = column->Add<TCheckBox>(slot.boxName);
        (*slot.box)->CrossAlign = Align::Center;
        (*slot.box)->SetChecked(true);
    }
    NavigationRow(TabSheet5, &SpeedButton9, "SpeedButton9", &SpeedButton10, "SpeedButton10");
}

void TForm1::BuildCompilePage() {
    TGroupBox* group = PageGroup(TabSheet6, "GroupBox12");
    group->Add<TLabel>("Label1", "Output Directory:");
    TWinControl* dirRow = Row(group, "OutputDirectoryRow");
    vSave_dir = dirRow->Add<TEdit>("vSave_dir");
    vSave_dir->SetReadOnly(true);
    vSave_dir->Expand = true;
    SpeedButton15 = dirRow->Add<TButton>("SpeedButton15", "...");
    SpeedButton15->OnClick = Handler(&TForm1::SpeedButton15Click);
    group->Add<TLabel>("Label2", "Output file name:");
    TWinControl* fileRow = Row(group, "OutputFileRow");
    Vcompile_file = fileRow->Add<TEdit>("Vcompile_file");
    Vcompile_file->Expand = true;
    SpeedButton16 = fileRow->Add<TButton>("SpeedButton16", "...");
    SpeedButton16->OnClick = Handler(&TForm1::SpeedButton16Click);

    auto* status = group->Add<TGroupBox>("GroupBox13", " Compiler Status ");
    status->Padding = 8;
    ProgressBar1 = status->Add<TProgressBar>("ProgressBar1");
    TWinControl* statusRow = Row(status, "StatusRow");
    cStatus = statusRow->Add<TLabel>("cStatus", "Idle");
    cStatus->Expand = true;
    runeBook = statusRow->Add<TButton>("runeBook", "Run eBook");
    runeBook->Flat = true;
    runeBook->Underline = true;
    runeBook->FontColour = Colour::HotTrack;
    runeBook->SetVisible(false);
    runeBook->OnClick = Handler(&TForm1::runeBookClick);

    SpeedButton14 = FlatButton(group, "SpeedButton14", "", "compile", 64, 64);
    SpeedButton14->SetHint("Compile");
    SpeedButton14->CrossAlign = Align::Center;
    SpeedButton14->OnClick = Handler(&TForm1::SpeedButton14Click);
    SpeedButton14->Expand = true;
    NavigationRow(TabSheet6, &SpeedButton11, "SpeedButton11", nullptr, nullptr);
}

void TForm1::FormCreate() {
    inicial();
    PageControl1->SetActivePageIndex(0);
}

void TForm1::inicial() {
    SimExe::BlockStore().clear();
    ToolbarFlags().clear();
    ProjectFileName().clear();
    SetCaption(kWindowCaption);
    for (TEdit* field : {vproject_title, vEnumber, vauthor, vemail, vweb, static_cast<TEdit*>(vabout), vproject_dir,
                         vproject_homefile})
        field->SetText("");
    CheckBox1->SetChecked(true);
    vProject_homepage->Clear();
    vProject_files->ClearItems();
    ltotalfiles->SetCaption("0");
    vProject_homepage->SetEnabled(false);
    for (TMemo* memo : {vOnStart, vOnClose}) {
        memo->Clear();
        memo->AddLine(kDefaultMessage);
    }
    vShowStart->SetChecked(false);
    vShowClose->SetChecked(false);
    vUse_pass->SetChecked(false);
    vpass->SetText("");
    vDisable_menu->SetChecked(true);
    vDisable_print->SetChecked(false);
    GroupBox3->SetVisible(false);
    Vzip_2->SetChecked(true);
    Vzip_1->SetChecked(false);
    Vzip_3->SetChecked(false);
    vSearchIndex->SetChecked(true);
    vShowContents->SetChecked(true);
    vReopen->SetChecked(true);
    projectIdentity_.clear();
    for (TCheckBox* box : {vT1, vT2, vT3, vT4, vT5, vT6, vT7, vT8, vT9}) box->SetChecked(true);
    vSave_dir->SetText("");
    Vcompile_file->SetText("eBook.exe");
    runeBook->SetVisible(false);
    ProgressBar1->SetPosition(0);
    cStatus->SetCaption("Idle");
}

void TForm1::Generate_Data() {
    std::string& flags = ToolbarFlags();
    flags.clear();
    for (TCheckBox* box : {vT1, vT2, vT3, vT4, vT5, vT6}) flags += Flag(box);
    flags += vDisable_print->Checked() ? '0' : Flag(vT7);
    flags += Flag(vT8);
    flags += Flag(vT9);
    flags += '0';
    for (TCheckBox* box : {vDisable_menu, vDisable_print, CheckBox1, vShowStart, vShowClose}) flags += Flag(box);
}

void TForm1::SaveSettings() { WriteSettings(SimExe::AddStringBlock); }

void TForm1::WriteSettings(const std::function<void(const std::string&, const std::string&)>& add) {
    Generate_Data();
    add(SimExe::kToolbarKey, ToolbarFlags());
    if (vUse_pass->Checked()) add(SimExe::kPasswordKey, vpass->Text());
    if (vShowStart->Checked()) add(SimExe::kStartMessageKey, vOnStart->Text());
    if (vShowClose->Checked()) add(SimExe::kCloseMessageKey, vOnClose->Text());
    add(SimExe::kFirstPageKey, vproject_homefile->Text());
    const std::pair<const char*, TEdit*> optional[] = {
        {SimExe::kTitleKey, vproject_title}, {SimExe::kBookNumberKey, vEnumber}, {SimExe::kAuthorKey, vauthor},
        {SimExe::kEmailKey, vemail},         {SimExe::kWebAddressKey, vweb},     {SimExe::kAboutKey, vabout},
    };
    for (const auto& [key, field] : optional)
        if (!field->Text().empty()) add(key, field->Text());
}

std::string TForm1::BookIdentity() const {
    if (!projectIdentity_.empty()) return projectIdentity_;
    return book::IdentityHash({kProjectIdentityPrefix, vproject_title->Text(), vEnumber->Text(), vauthor->Text(),
                               FolderName(vproject_dir->Text())});
}

void TForm1::search_files() {
    vProject_homepage->SetEnabled(true);
    vProject_files->ClearItems();
    const std::string dir = vproject_dir->Text();
    // A directory that has gone lists nothing, rather than the files of
    // whatever folder the finder searched before.
    const bool missing = !dir.empty() && !FolderExists(dir);
    if (!missing) {
        BWFileFinder1.SetPath(dir);
        for (const std::string& entry : BWFileFinder1.FindFiles()) vProject_files->AddItem(entry);
    }
    ltotalfiles->SetCaption(std::to_string(vProject_files->Items().size()));
    for (const std::string& entry : vProject_files->Items()) {
        const std::string ext = ExtractFileExt(entry);
        if (ext == ".htm" || ext == ".html") vProject_homepage->AddItem(entry);
    }
    if (missing) Application().MessageBox("The project directory " + dir + " does not exist.");
}

void TForm1::NextPageClick(TObject&) { PageControl1->SelectNextPage(true); }
void TForm1::PreviousPageClick(TObject&) { PageControl1->SelectNextPage(false); }

void TForm1::vShowStartClick(TObject&) { vOnStart->SetEnabled(!vOnStart->Enabled()); }
void TForm1::vShowCloseClick(TObject&) { vOnClose->SetEnabled(!vOnClose->Enabled()); }

void TForm1::vUse_passClick(TObject&) {
    vpass->SetText("");
    GroupBox3->SetVisible(vUse_pass->Checked());
}

void TForm1::vDisable_printClick(TObject&) {
    const bool allowed = !vDisable_print->Checked();
    vT7->SetEnabled(allowed);
    SpeedButton20->SetEnabled(allowed);
}

void TForm1::SpeedButton17Click(TObject&) { Application().MessageBox(vOnStart->Text()); }
void TForm1::SpeedButton18Click(TObject&) { Application().MessageBox(vOnClose->Text()); }

void TForm1::SpeedButton15Click(TObject&) {
    if (!vSave_dir->Text().empty()) BrowseForFolder1.FolderName = vSave_dir->Text();
    if (BrowseForFolder1.Execute()) vSave_dir->SetText(BrowseForFolder1.FolderName);
}

void TForm1::SpeedButton16Click(TObject&) {
    SaveDialog1.Filter = "Application (*.exe)|*.exe";
    SaveDialog1.InitialDir = vSave_dir->Text().empty() ? SimExe::ExecutableFolder() : vSave_dir->Text();
    SaveDialog1.FileName = Vcompile_file->Text();
    if (SaveDialog1.Execute()) {
        const std::string& chosen = SaveDialog1.FileName;
        const std::size_t slash = chosen.rfind('/');
        Vcompile_file->SetText(slash == std::string::npos ? chosen : chosen.substr(slash + 1));
        vSave_dir->SetText(slash == std::string::npos ? std::string() : chosen.substr(0, slash + 1));
    }
    if (ExtractFileExt(Vcompile_file->Text()) != ".exe") Vcompile_file->SetText(Vcompile_file->Text() + ".exe");
}

void TForm1::runeBookClick(TObject&) {
    const std::string& file = Vcompile_file->Text();
    // An output name with its own path was written there, whatever the folder says.
    if (!file.empty() && file[0] == '/') return SimExe::RunProgram(file);
    const std::string folder = vSave_dir->Text().empty() ? SimExe::ExecutableFolder() : vSave_dir->Text();
    SimExe::RunProgram(folder + "/" + file);
}

void TForm1::SpeedButton29Click(TObject&) { Close(); }
void TForm1::Label15Click(TObject&) { SimExe::RunProgram(kMakerWebPage); }
void TForm1::Label17Click(TObject&) { SimExe::RunProgram(std::string("mailto:") + kMakerEmail); }

void TForm1::Button3Click(TObject&) {
    if (!BrowseForFolder1.Execute()) return;
    vproject_homefile->SetText("");
    vProject_homepage->Clear();
    vproject_dir->SetText(BrowseForFolder1.FolderName);
    search_files();
}

void TForm1::SpeedButton28Click(TObject&) {
    if (vproject_dir->Text().empty()) return;
    vproject_homefile->SetText("");
    vProject_homepage->Clear();
    search_files();
}

void TForm1::CheckBox1Click(TObject&) { BWFileFinder1.InSubFolders = CheckBox1->Checked(); }

void TForm1::vProject_filesClick(TObject&) {
    const int index = vProject_files->ItemIndex();
    if (index >= 0) vproject_homefile->SetText(vProject_files->Items()[static_cast<std::size_t>(index)]);
}

void TForm1::vProject_homepageChange(TObject&) { vproject_homefile->SetText(vProject_homepage->Text()); }

}  // namespace compiler
