// The viewer window: the toolbar the author chose, the web view showing the
// eBook's pages, and the start-up that reads the eBook's settings.
#pragma once

#include "Book.h"
#include "BookContents.h"
#include "ReaderKeeper.h"
#include "Forms.h"
#include "Unit2.h"
#include "WebBrowser.h"

#include <memory>
#include <optional>
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
    // Beside the page, a pane with the book's contents, when it has some,
    // and the reader's bookmarks, when the book keeps them: the divider
    // between the pane and the page, the pane's two tabs, and the toolbar's
    // control that hides and shows it.
    TSplitter* ContentsSplitter;
    TPageControl* SidePane;
    TTabSheet *ContentsSheet, *BookmarksSheet;
    TTreeView* ContentsTree;
    TTreeView* BookmarksList;
    TButton *AddBookmarkButton, *RenameBookmarkButton, *RemoveBookmarkButton;
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
    void webbrowser1PlaceChanged(const std::string& url, const std::string& spot, double fraction);
    // The reader keys: F9 hides and shows the pane beside the page, F6 puts
    // the keyboard in it (Tab goes back to the page), Control with Page
    // Down or Page Up opens the next or previous page in the contents'
    // order, Control with plus, minus or 0 zooms, Control+F finds, Alt with
    // Left or Right goes back or forward, Control+D adds a bookmark. A key
    // whose button or pane the book does not show does nothing.
    bool FormShortcut(const TShortcut& key);
    void ContentsTreeClick(TObject& sender);
    void ContentsButtonClick(TObject& sender);
    void BookmarksListClick(TObject& sender);
    void AddBookmarkButtonClick(TObject& sender);
    void RenameBookmarkButtonClick(TObject& sender);
    void RemoveBookmarkButtonClick(TObject& sender);

private:
    // Reads what the book keeps of its reader, when its author lets it, and
    // sets the window, the zoom and the pane as the reader left them.
    void KeepReader();
    // Where the reader left off, while that page is still in the book.
    std::optional<readerstate::Place> KeptPlace() const;
    // Goes to a page and, once it has loaded, to the place on it.
    void OpenPlace(const readerstate::Place& place);
    void Zoom(int steps);
    void SetZoom(double level);
    // Writes the window, the pane and the place as they are now, when kept.
    void KeepWindow();
    // The toolbar's control of the pane, shown, named for what the pane holds.
    void ShowPaneButton(const std::string& caption, const std::string& hint);
    // The keyboard goes into the list of the pane's tab shown.
    void FocusSidePane();
    // The bookmark list shows the bookmarks kept.
    void ShowBookmarks();
    std::optional<std::size_t> ChosenBookmark() const;
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
    bool readerKept_ = false;                        // KeepReader ran
    std::unique_ptr<ReaderKeeper> keeper_;           // null when the book keeps nothing of its reader
    std::optional<readerstate::Place> placeToShow_;  // once its page has loaded
    std::string shownUrl_;                           // the address shown, as NavigateComplete told it
};

}  // namespace viewer
