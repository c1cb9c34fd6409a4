// A window with one of every control, for looking at the binding: run it
// under a display (or Xvfb) and take a screenshot. An optional argument picks
// the page shown first; a second one closes the window after so many
// milliseconds.
#include "Forms.h"
#include "GtkBinding.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

using namespace toolkit;

namespace {

template <class T>
T* Sized(T* control, int width, int height) {
    control->SetBounds(0, 0, width, height);
    return control;
}

TPanel* Row(TWinControl* parent, const std::string& name, int spacing = 6) {
    auto* row = parent->Add<TPanel>(name);
    row->Arrange = Layout::Row;
    row->Spacing = spacing;
    return row;
}

TEdit* LabelledEdit(TWinControl* parent, const std::string& name, const std::string& caption, const std::string& text) {
    TPanel* row = Row(parent, name + "Row");
    Sized(row->Add<TLabel>(name + "Label", caption), 110, 0)->CrossAlign = Align::Center;
    auto* edit = row->Add<TEdit>(name);
    edit->Expand = true;
    edit->SetText(text);
    return edit;
}

void FillControlsPage(TTabSheet* page) {
    page->Padding = 8;
    auto* group = page->Add<TGroupBox>("Group", " Project info ");
    group->Padding = 8;
    group->Expand = true;
    LabelledEdit(group, "Title", "Project Title:", "My first eBook");
    LabelledEdit(group, "Author", "Author:", "A. Writer")->SetReadOnly(true);
    group->Add<TLabel>("MemoLabel", "Other Information:");
    auto* memo = group->Add<TMemo>("Memo");
    memo->Expand = true;
    memo->SetText("First line\r\nSecond line, long enough to wrap round inside the memo when it is narrow\r\nThird");
    TPanel* row = Row(group, "Choices", 12);
    auto* left = row->Add<TPanel>("Checks");
    left->Add<TCheckBox>("Check1", "Show Start Message")->SetChecked(true);
    left->Add<TCheckBox>("Check2", "Disable Print");
    auto* right = row->Add<TPanel>("Radios");
    right->Spacing = 2;
    right->Add<TRadioButton>("Radio1", "Fast Compression")->SetEnabled(false);
    right->Add<TRadioButton>("Radio2", "Normal Compression")->SetChecked(true);
    right->Add<TRadioButton>("Radio3", "Maximum Compression");
    TPanel* lists = Row(group, "Lists");
    auto* combo = lists->Add<TComboBox>("Combo");
    combo->CrossAlign = Align::Start;
    combo->DropDownWhileTyping = true;
    for (const char* page : {"index.html", "chapter1/page.html", "chapter2/page.html"}) combo->AddItem(page);
    combo->SetItemIndex(0);
    auto* list = Sized(lists->Add<TListBox>("List"), 0, 70);
    list->Expand = true;
    for (const char* file : {"index.html", "style.css", "images/cover.png", "chapter1/page.html"}) list->AddItem(file);
    list->SetItemIndex(1);
}

void FillPicturesPage(TTabSheet* page) {
    page->Padding = 8;
    page->Add<TImage>("Banner", "banner")->CrossAlign = Align::Center;
    TPanel* row = Row(page, "Art", 12);
    row->Add<TImage>("AboutArt", "about-art");
    auto* links = row->Add<TPanel>("Links");
    links->CrossAlign = Align::Center;
    links->Add<TLabel>("Free", "Free distribution permitted.")->Bold = true;
    for (auto [name, icon, text] : {std::tuple{"Web", "web", "www.example.org"}, {"Mail", "email", "author@example.org"}}) {
        TPanel* line = Row(links, std::string(name) + "Row");
        Sized(line->Add<TImage>(std::string(name) + "Icon", icon), 16, 16);
        auto* link = line->Add<TLabel>(std::string(name) + "Link", text);
        link->IsLink = true;
        link->OnClick = [](TObject&) { std::puts("link clicked"); };
    }
    auto* toolbar = page->Add<TGroupBox>("Toolbar", " Toolbar Buttons");
    toolbar->Arrange = Layout::Row;
    toolbar->Padding = 6;
    for (const char* id : {"back", "next", "reload", "home", "stop", "search", "print", "about", "exit", "nope"}) {
        auto* column = toolbar->Add<TPanel>(std::string("T") + id);
        column->Spacing = 2;
        auto* picture = Sized(column->Add<TButton>(std::string("P") + id), 38, 38);
        picture->Flat = true;
        picture->SetPicture(id);
        picture->SetHint(id);
        column->Add<TCheckBox>(std::string("C") + id)->SetChecked(true);
    }
}

void FillCompilePage(TTabSheet* page) {
    page->Padding = 8;
    auto* status = page->Add<TGroupBox>("Status", " Compiler Status ");
    status->Padding = 8;
    auto* bar = status->Add<TProgressBar>("Progress");
    bar->SetPosition(40);
    status->Add<TLabel>("cStatus", "Compiling chapter1/page.html ...");
    auto* run = status->Add<TButton>("Run", "Run eBook");
    run->Flat = true;
    run->Underline = true;
    run->FontColour = Colour::HotTrack;
    run->HandCursor = true;
    run->CrossAlign = Align::Start;
    auto* compile = page->Add<TButton>("Compile");
    compile->Flat = true;
    compile->SetPicture("compile");
    compile->CrossAlign = Align::Center;
    compile->Expand = true;
    page->Add<TBevel>("Rule");
    TPanel* nav = Row(page, "Nav");
    nav->CrossAlign = Align::End;
    for (auto [name, id] : {std::pair{"Back", "back"}, {"Next", "next"}}) {
        auto* button = Sized(nav->Add<TButton>(name, name), 57, 48);
        button->Flat = true;
        button->SetPicture(id);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!gtk::Initialize(argc, argv)) {
        std::fputs("gallery: no display\n", stderr);
        return 1;
    }
    Application().Title = "Gallery";
    TForm form(nullptr, "Gallery", "Control gallery - v1.0");
    form.Arrange = Layout::Row;
    form.ClientWidth = 574;
    form.ClientHeight = 397;
    form.Resizable = false;
    form.Dialog = true;
    form.Padding = 6;

    auto* strip = Sized(form.Add<TPanel>("Strip"), 120, 0);
    strip->Add<TImage>("Logo", "logo");
    auto* projects = strip->Add<TGroupBox>("Projects");
    projects->Padding = 4;
    projects->Spacing = 0;
    for (auto [name, id] : {std::pair{"New Project", "new"}, {"Open Project", "open"}, {"Save Project", "save"}, {"Exit", "exit"}}) {
        auto* button = Sized(projects->Add<TButton>(name, name), 81, 49);
        button->Flat = true;
        button->SetPicture(id);
    }

    auto* pages = form.Add<TPageControl>("Pages");
    pages->Expand = true;
    FillControlsPage(pages->Add<TTabSheet>("Controls", "General info"));
    FillPicturesPage(pages->Add<TTabSheet>("Pictures", "About"));
    FillCompilePage(pages->Add<TTabSheet>("Compile", "Compile"));
    if (argc > 1) pages->SetActivePageIndex(std::atoi(argv[1]));

    Application().SetMainForm(&form);
    if (argc > 2) {
        g_timeout_add(static_cast<guint>(std::atoi(argv[2])), [](gpointer f) -> gboolean {
            static_cast<TForm*>(f)->Close();
            return G_SOURCE_REMOVE;
        }, &form);
    }
    Application().Run();
    return 0;
}
