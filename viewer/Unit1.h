// The viewer window: the toolbar the author chose, the web view showing the
// eBook's pages, and the start-up that reads the eBook's settings.
#pragma once

#include "Book.h"
#include "BookContents.h"
#include "Forms.h"
#include "Unit2.h"
#include "WebBrowser.h"

#include <memory>
#include <string>

namespace viewer {

using namespace toolkit;

// The maker's addresses opened by the banner and the About box.
extern const char* const kMakerSite;
extern const char* const kMakerEbookPage;

// The eBook's settings, read once at start-up; defaults where a block is absent.
struct ViewerSettings {
    std::string ctoolbar, cpass, cOnStart, cOnClose, chome, cproject, cenumber, cauthor, cemail, cweb, cabout;
};
ViewerSettings& Settings();

// Character p (1-based) of the toolbar flag string; '0' past its end.
char ToolbarFlag(int position);

class TForm1 : public TForm {
public:
    // The About box is shown by the About button. The window shows `book`
    // (the program's own, opened at start-up when none is given).
    explicit TForm1(TForm2& about, std::shared_ptr<book::Book> book = nullptr);

    TPanel* Panel1;
    TButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5, *SpeedButton6,
        *SpeedButton7, *SpeedButton8, *SpeedButton9;
    TImage* Image1;
    TWebBrowserHost* webbrowser1;
    // The book's contents beside the page, when it has some: the tree, the
    // divider between it and the page, and the toolbar's control that
    // hides and shows it.
    TSplitter* ContentsSplitter;
    TTreeView* ContentsTree;
    TButton* ContentsButton;

    // Registers the page protocol, reads the settings, asks for the password,
    // shows the start message and goes to the first page.
    void FormCreate();
    void FormDestroy();
    void FormClose(TObject& sender);
    // Shows the buttons whose flag is '1', packed from the left edge.
    void set_toolbar();

    void SpeedButton1Click(TObject& sender);
    void SpeedButton2Click(TObject& sender);
    void SpeedButton3Click(TObject& sender);
    void SpeedButton4Click(TObject& sender);
    void SpeedButton5Click(TObject& sender);
    void SpeedButton6Click(TObject& sender);
    void SpeedButton7Click(TObject& sender);
    void SpeedButton8Click(TObject& sender);
    void SpeedButton9Click(TObject& sender);
    void Image1Click(TObject& sender);
    void webbrowser1CommandStateChange(std::int32_t command, bool enable);
    HRESULT webbrowser1ShowContextMenu();
    HRESULT webbrowser1TranslateAccelerator();
    void webbrowser1NavigateComplete(const std::string& url);
    void webbrowser1DocumentComplete(const std::string& url);
    // The reader keys of the contents: F9 hides and shows them, F6 puts the
    // keyboard in them (Tab goes back to the page), Control with Page Down
    // or Page Up opens the next or previous page in their order.
    bool FormShortcut(const TShortcut& key);
    void ContentsTreeClick(TObject& sender);
    void ContentsButtonClick(TObject& sender);

private:
    // Reads the book's contents and shows them, when it has any.
    void LoadContents();
    // LoadContents the first time, then the entry of the URL shown is selected.
    void ReadContentsOnce(const std::string& shownUrl);
    // Goes to the place an entry opens; an entry without a page opens nothing.
    void OpenEntry(const TreePath& item);
    TButton* Buttons(int index) const;
    WebBrowser& Browser() { return webbrowser1->Browser(); }

    TForm2& about_;
    std::shared_ptr<book::Book> book_;
    bool closeMessageShown_ = false;
    std::shared_ptr<const BookContents> contents_;  // null when the book shows none
    bool contentsRead_ = false;                       // once, after the first page
};

}  // namespace viewer
