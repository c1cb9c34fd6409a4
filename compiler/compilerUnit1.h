// The compiler's wizard window: the project record lives in its controls.
// Builds the settings blocks from them, scans the project directory and
// handles the wizard's navigation and rules.
#pragma once

#include "BWFileFinder.h"
#include "Dialogs.h"
#include "Forms.h"
#include "folderBrowse.h"

#include <functional>
#include <string>

namespace compiler {

using namespace toolkit;

// The maker's addresses opened by the About page's links.
extern const char* const kMakerSite;      // shown by the web link
extern const char* const kMakerWebPage;   // opened by the web link and the banner
extern const char* const kMakerEmail;

extern const char* const kWindowCaption;  // "Zorbin eBook Compiler - v1.0"

// Process-wide values of this unit: the toolbar flag string and the path of
// the current project file.
std::string& ToolbarFlags();
std::string& ProjectFileName();

// The text from the last "." of a name to its end, provided no "\" and no
// ":" stands after it; otherwise empty. "/" does not stop the search.
std::string ExtractFileExt(const std::string& name);
// The extension of an output file name: from the last "." of its last path
// component on; empty when there is none.
std::string OutputFileExt(const std::string& name);

// The texts of the compile status label.
extern const char* const kStatusTesting;   // "Testing Integrity... Please Wait"
extern const char* const kStatusWorking;   // "Working... Please Wait"
extern const char* const kStatusDone;      // "eBook Sucessfully Created"

// Marks one of the block-store operations as running for its scope.
struct BusyScope {
    bool& busy;
    explicit BusyScope(bool& flag) : busy(flag) { busy = true; }
    ~BusyScope() { busy = false; }
};

struct BookProtection;

class TForm1 : public TForm {
public:
    TForm1();

    // Defaults of the project record.
    void inicial();
    // The 15-character toolbar flag string, from the check boxes as they are now.
    void Generate_Data();
    // Appends the eBook's settings blocks to the block store.
    void SaveSettings();
    // Hands the same settings, in the same order and under the same
    // conditions, to `add` (key, value) instead.
    void WriteSettings(const std::function<void(const std::string&, const std::string&)>& add);
    // Rebuilds the file list and the first-page list from vproject_dir.
    void search_files();

    void FormCreate();

    // Left strip.
    TImage* Image2;
    TButton *SpeedButton1, *SpeedButton12, *SpeedButton13, *SpeedButton29;

    TPageControl* PageControl1;
    TTabSheet *TabSheet7, *TabSheet1, *TabSheet2, *TabSheet3, *TabSheet4, *TabSheet5, *TabSheet6;

    // About.
    TLabel *Label15, *Label17;
    TImage* Image1;

    // General info.
    TEdit *vproject_title, *vEnumber, *vauthor, *vemail, *vweb;
    TMemo* vabout;
    TButton* SpeedButton2;

    // Project Files.
    TEdit* vproject_dir;
    TButton* Button3;
    TCheckBox* CheckBox1;
    TButton* SpeedButton28;
    TListBox* vProject_files;
    TLabel* ltotalfiles;
    TEdit* vproject_homefile;
    TComboBox* vProject_homepage;
    TButton *SpeedButton3, *SpeedButton4;

    // Events.
    TCheckBox* vShowStart;
    TMemo* vOnStart;
    TButton* SpeedButton17;
    TCheckBox* vShowClose;
    TMemo* vOnClose;
    TButton* SpeedButton18;
    TButton *SpeedButton5, *SpeedButton6;

    // Security.
    TCheckBox* vUse_pass;
    TGroupBox* GroupBox3;
    TEdit* vpass;
    TCheckBox *vDisable_menu, *vDisable_print;
    TButton *SpeedButton7, *SpeedButton8;

    // Advanced.
    TRadioButton *Vzip_1, *Vzip_2, *Vzip_3;
    TCheckBox* vSearchIndex;
    TCheckBox* vShowContents;
    TCheckBox* vReopen;
    TButton *SpeedButton27, *SpeedButton26, *SpeedButton25, *SpeedButton24, *SpeedButton23, *SpeedButton21,
        *SpeedButton20, *SpeedButton19, *SpeedButton22;
    TCheckBox *vT1, *vT2, *vT3, *vT4, *vT5, *vT6, *vT7, *vT8, *vT9;
    TButton *SpeedButton9, *SpeedButton10;

    // Compile.
    TEdit* vSave_dir;
    TButton* SpeedButton15;
    TEdit* Vcompile_file;
    TButton* SpeedButton16;
    TProgressBar* ProgressBar1;
    TLabel* cStatus;
    TButton* runeBook;
    TButton* SpeedButton14;
    TButton* SpeedButton11;

    // Non-visual members.
    TOpenDialog OpenDialog1;
    TSaveDialog SaveDialog1;
    folderBrowse::TBrowseForFolder BrowseForFolder1;
    BWFileFinder::TBWFileFinder BWFileFinder1;

    // Handlers.
    void NextPageClick(TObject& sender);
    void PreviousPageClick(TObject& sender);
    void vShowStartClick(TObject& sender);
    void vShowCloseClick(TObject& sender);
    void vUse_passClick(TObject& sender);
    void vDisable_printClick(TObject& sender);
    void SpeedButton17Click(TObject& sender);
    void SpeedButton18Click(TObject& sender);
    void SpeedButton15Click(TObject& sender);
    void SpeedButton16Click(TObject& sender);
    void runeBookClick(TObject& sender);
    void SpeedButton29Click(TObject& sender);
    void Label15Click(TObject& sender);
    void Label17Click(TObject& sender);
    void Button3Click(TObject& sender);
    void SpeedButton28Click(TObject& sender);
    void CheckBox1Click(TObject& sender);
    void vProject_filesClick(TObject& sender);
    void vProject_homepageChange(TObject& sender);
    // Project files: New, Open and Save Project.
    void SpeedButton1Click(TObject& sender);
    void SpeedButton12Click(TObject& sender);
    void SpeedButton13Click(TObject& sender);
    // Compile.
    void SpeedButton14Click(TObject& sender);

    // True while a compile, save, open or new project runs; none of them
    // starts while another one does.
    bool Busy() const { return busy_; }
    // What the last compile has to say beyond its status: the contents it
    // found, and the sources of contents it found damaged.
    const std::vector<std::string>& CompileNotes() const { return compileNotes_; }
    // The identity a compile gives the eBook now: the project's own, which
    // it keeps from its first save with a folder on, else one derived from
    // the title, number, author and the name of the project folder.
    std::string BookIdentity() const;

private:
    void BuildLeftStrip(TWinControl* parent);
    void BuildAboutPage();
    void BuildGeneralPage();
    void BuildFilesPage();
    void BuildEventsPage();
    void BuildSecurityPage();
    void BuildAdvancedPage();
    void BuildCompilePage();
    // The page's group box, and its navigation row (Back and/or Next) below a rule.
    TGroupBox* PageGroup(TTabSheet* page, const std::string& name, const std::string& caption = "");
    void NavigationRow(TTabSheet* page, TButton** back, const char* backName, TButton** next, const char* nextName);
    TNotifyEvent Handler(void (TForm1::*method)(TObject&));
    // The settings blocks SaveSettings would append now, as a string; in a
    // protected book (`protection`), "cpass" holds the password record and
    // the blocks a reader sees only after the password are sealed.
    std::string SettingsBlocks(const BookProtection* protection);
    // The caption with the project file's name in brackets.
    void ShowProjectCaption();
    bool busy_ = false;
    std::vector<std::string> compileNotes_;
    // The identity the project file keeps ("cidentity"); empty until it has one.
    std::string projectIdentity_;
};

}  // namespace compiler
