// The compiler window through the model: defaults, the wizard's rules,
// navigation, the output pickers and the settings blocks.
#include "BlockList.h"
#include "CompilerWindowFixture.h"

using namespace compiler;
using Blocks = std::vector<std::pair<std::string, std::string>>;

TEST_F(CompilerWindowTest, DefaultsAfterCreation) {
    EXPECT_EQ(form->Caption(), "Zorbin eBook Compiler - v1.0");
    EXPECT_EQ(form->PageControl1->ActivePage(), form->TabSheet7);
    for (TEdit* e : {form->vproject_title, form->vEnumber, form->vauthor, form->vemail, form->vweb,
                     static_cast<TEdit*>(form->vabout), form->vproject_dir, form->vproject_homefile, form->vpass,
                     form->vSave_dir})
        EXPECT_EQ(e->Text(), "") << e->Name();
    EXPECT_TRUE(form->CheckBox1->Checked());
    EXPECT_TRUE(form->BWFileFinder1.InSubFolders);
    EXPECT_TRUE(form->vProject_files->Items().empty());
    EXPECT_TRUE(form->vProject_homepage->Items().empty());
    EXPECT_FALSE(form->vProject_homepage->Enabled());
    EXPECT_EQ(form->ltotalfiles->Caption(), "0");
    for (TMemo* m : {form->vOnStart, form->vOnClose}) {
        EXPECT_EQ(m->Text(), "Your Message Here...\r\n");
        EXPECT_FALSE(m->Enabled());
    }
    EXPECT_FALSE(form->vShowStart->Checked());
    EXPECT_FALSE(form->vShowClose->Checked());
    EXPECT_FALSE(form->vUse_pass->Checked());
    EXPECT_FALSE(form->GroupBox3->Visible());
    EXPECT_TRUE(form->vDisable_menu->Checked());
    EXPECT_FALSE(form->vDisable_print->Checked());
    EXPECT_TRUE(form->vT7->Enabled());
    EXPECT_TRUE(form->Vzip_2->Checked());
    EXPECT_FALSE(form->Vzip_1->Checked() || form->Vzip_3->Checked());
    EXPECT_FALSE(form->Vzip_1->Enabled() || form->Vzip_3->Enabled());
    for (TCheckBox* choice : {form->vSearchIndex, form->vShowContents, form->vReopen})
        EXPECT_TRUE(choice->Checked()) << choice->Name();
    for (TCheckBox* t : {form->vT1, form->vT2, form->vT3, form->vT4, form->vT5, form->vT6, form->vT7, form->vT8,
                         form->vT9})
        EXPECT_TRUE(t->Checked()) << t->Name();
    EXPECT_EQ(form->Vcompile_file->Text(), "eBook.exe");
    EXPECT_FALSE(form->runeBook->Visible());
    EXPECT_EQ(form->ProgressBar1->Position(), 0);
    EXPECT_EQ(form->cStatus->Caption(), "Idle");
    EXPECT_TRUE(SimExe::BlockStore().empty());
    EXPECT_EQ(ProjectFileName(), "");
    EXPECT_EQ(Flags(), "111111111010100");
}

TEST_F(CompilerWindowTest, DefaultsComeBackWithTheirSideEffects) {
    form->vproject_title->SetText("Title");
    form->vShowStart->SetChecked(true);
    form->vOnStart->SetText("changed");
    form->vUse_pass->SetChecked(true);
    form->vpass->SetText("secret");
    form->vDisable_print->SetChecked(true);
    form->CheckBox1->SetChecked(false);
    form->vT3->SetChecked(false);
    form->Vcompile_file->SetText("other.exe");
    SimExe::BlockStore() = "something";
    ProjectFileName() = "/tmp/p.zbp";

    form->inicial();
    EXPECT_EQ(form->vproject_title->Text(), "");
    EXPECT_FALSE(form->vOnStart->Enabled());
    EXPECT_EQ(form->vOnStart->Text(), "Your Message Here...\r\n");
    EXPECT_FALSE(form->GroupBox3->Visible());
    EXPECT_EQ(form->vpass->Text(), "");
    EXPECT_TRUE(form->vT7->Enabled());
    EXPECT_TRUE(form->SpeedButton20->Enabled());
    EXPECT_TRUE(form->BWFileFinder1.InSubFolders);
    EXPECT_EQ(form->Vcompile_file->Text(), "eBook.exe");
    EXPECT_TRUE(SimExe::BlockStore().empty());
    EXPECT_EQ(ProjectFileName(), "");
    EXPECT_EQ(Flags(), "111111111010100");
}

TEST_F(CompilerWindowTest, NextAndBackWalkThePagesAndTabsJumpDirectly) {
    TPageControl* pages = form->PageControl1;
    const std::vector<std::pair<TButton*, int>> next = {
        {form->SpeedButton2, 1}, {form->SpeedButton4, 2}, {form->SpeedButton6, 3}, {form->SpeedButton8, 4},
        {form->SpeedButton10, 5}};
    for (auto [button, from] : next) {
        pages->SetActivePageIndex(from);
        button->Click();
        EXPECT_EQ(pages->ActivePageIndex(), from + 1) << button->Name();
    }
    const std::vector<std::pair<TButton*, int>> back = {
        {form->SpeedButton3, 2}, {form->SpeedButton5, 3}, {form->SpeedButton7, 4}, {form->SpeedButton9, 5},
        {form->SpeedButton11, 6}};
    for (auto [button, from] : back) {
        pages->SetActivePageIndex(from);
        button->Click();
        EXPECT_EQ(pages->ActivePageIndex(), from - 1) << button->Name();
    }
    pages->SetActivePageIndex(0);
    pages->SetActivePage(form->TabSheet4);
    EXPECT_EQ(pages->ActivePage()->Caption(), "Security");
    std::vector<std::string> captions;
    for (TTabSheet* page : pages->Pages()) captions.push_back(page->Caption());
    EXPECT_EQ(captions, (std::vector<std::string>{"About", "General info", "Project Files", "Events", "Security",
                                                  "Advanced", "Compile"}));
}

TEST_F(CompilerWindowTest, MessageMemosFollowTheirShowBoxesAndKeepTheirText) {
    form->vShowStart->Click();
    EXPECT_TRUE(form->vOnStart->Enabled());
    form->vOnStart->SetText("Welcome\r\n");
    form->vShowStart->Click();
    EXPECT_FALSE(form->vOnStart->Enabled());
    EXPECT_EQ(form->vOnStart->Text(), "Welcome\r\n");
    form->vShowClose->SetChecked(true);
    EXPECT_TRUE(form->vOnClose->Enabled());
    EXPECT_FALSE(form->vOnStart->Enabled());
}

TEST_F(CompilerWindowTest, EveryChangeOfThePasswordBoxEmptiesThePassword) {
    form->vUse_pass->SetChecked(true);
    EXPECT_TRUE(form->GroupBox3->Visible());
    form->vpass->SetText("secret");
    form->vUse_pass->SetChecked(false);
    EXPECT_FALSE(form->GroupBox3->Visible());
    form->vUse_pass->SetChecked(true);
    EXPECT_EQ(form->vpass->Text(), "");
}

TEST_F(CompilerWindowTest, DisablePrintGreysThePrintButtonWithoutUncheckingIt) {
    form->vDisable_print->SetChecked(true);
    EXPECT_FALSE(form->vT7->Enabled());
    EXPECT_FALSE(form->SpeedButton20->Enabled());
    EXPECT_TRUE(form->vT7->Checked());
    EXPECT_EQ(Flags(), "111111011011100");
    form->vDisable_print->SetChecked(false);
    EXPECT_TRUE(form->vT7->Enabled() && form->SpeedButton20->Enabled() && form->vT7->Checked());
    EXPECT_EQ(Flags(), "111111111010100");
}

TEST_F(CompilerWindowTest, FlagStringFollowsEveryBox) {
    for (TCheckBox* t : {form->vT1, form->vT3, form->vT5, form->vT8}) t->SetChecked(false);
    form->vDisable_menu->SetChecked(false);
    form->CheckBox1->SetChecked(false);
    form->vShowStart->SetChecked(true);
    form->vShowClose->SetChecked(true);
    EXPECT_EQ(Flags(), "010101101000011");
}

TEST_F(CompilerWindowTest, PreviewsShowTheMemoTextInAPlainBox) {
    form->vOnStart->SetText("Line one\r\nLine two\r\n");
    form->SpeedButton17->Click();
    form->vOnClose->SetText("");
    form->SpeedButton18->Click();
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[0].text, "Line one\r\nLine two\r\n");
    EXPECT_EQ(dialogs->messages[0].caption, "Zorbin eBook Compiler");
    EXPECT_EQ(dialogs->messages[0].icon, MessageIcon::None);
    EXPECT_EQ(dialogs->messages[1].text, "");
}

TEST_F(CompilerWindowTest, SettingsBlocksWithDefaults) {
    form->vproject_homefile->SetText("index.htm");
    form->SaveSettings();
    EXPECT_EQ(ListBlocks(SimExe::BlockStore().View()), (Blocks{{"CTOOLBAR", "111111111010100"}, {"CHOME", "index.htm"}}));
}

TEST_F(CompilerWindowTest, SettingsBlocksInOrderUnderTheirConditions) {
    form->vUse_pass->SetChecked(true);
    form->vpass->SetText("pw");
    form->vShowStart->SetChecked(true);
    form->vOnStart->SetText("Hello\r\n");
    form->vShowClose->SetChecked(true);
    form->vOnClose->SetText("Bye\r\n");
    form->vproject_title->SetText("  ");
    form->vEnumber->SetText("7");
    form->vauthor->SetText("Ann");
    form->vemail->SetText("ann@x.example");
    form->vweb->SetText("http://x.example");
    form->vabout->SetText("About\r\ntext");
    form->vproject_dir->SetText("/site");
    form->SaveSettings();
    EXPECT_EQ(ListBlocks(SimExe::BlockStore().View()),
              (Blocks{{"CTOOLBAR", "111111111010111"}, {"CPASS", "pw"}, {"CONSTART", "Hello\r\n"},
                      {"CONCLOSE", "Bye\r\n"}, {"CHOME", ""}, {"CPROJECT", "  "}, {"CENUMBER", "7"},
                      {"CAUTHOR", "Ann"}, {"CEMAIL", "ann@x.example"}, {"CWEB", "http://x.example"},
                      {"CABOUT", "About\r\ntext"}}));
}

TEST_F(CompilerWindowTest, PasswordBlockOnlyWithTheBoxEvenWhenEmpty) {
    form->vUse_pass->SetChecked(true);
    form->SaveSettings();
    Blocks blocks = ListBlocks(SimExe::BlockStore().View());
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[1], (std::pair<std::string, std::string>{"CPASS", ""}));

    SimExe::BlockStore().clear();
    form->vUse_pass->SetChecked(false);
    form->vpass->SetText("typed but not used");
    form->SaveSettings();
    EXPECT_EQ(ListBlocks(SimExe::BlockStore().View()).size(), 2u);
}

TEST_F(CompilerWindowTest, OutputFileDialogAppliesTheExeRule) {
    dialogs->fileAnswers.push_back("/out/Book.EXE");
    form->SpeedButton16->Click();
    ASSERT_EQ(dialogs->fileRequests.size(), 1u);
    EXPECT_EQ(dialogs->fileRequests[0].filter, "Application (*.exe)|*.exe");
    EXPECT_TRUE(dialogs->fileRequests[0].save);
    EXPECT_EQ(form->Vcompile_file->Text(), "Book.EXE.exe");
    EXPECT_EQ(form->vSave_dir->Text(), "/out/");

    form->Vcompile_file->SetText("mybook");
    form->SpeedButton16->Click();  // cancelled
    EXPECT_EQ(form->Vcompile_file->Text(), "mybook.exe");
    EXPECT_EQ(form->vSave_dir->Text(), "/out/");
    EXPECT_EQ(dialogs->fileRequests[1].initialDir, "/out/");
}

TEST_F(CompilerWindowTest, OutputDirectoryPickerPresetsAndKeepsTheFolder) {
    dialogs->folderAnswers.push_back(toolkit::FolderChoice{"/books", "books"});
    form->SpeedButton15->Click();
    EXPECT_EQ(form->vSave_dir->Text(), "/books");
    form->SpeedButton15->Click();  // cancelled
    EXPECT_EQ(form->vSave_dir->Text(), "/books");
    ASSERT_EQ(dialogs->folderRequests.size(), 2u);
    EXPECT_EQ(dialogs->folderRequests[0].preselect, "/");
    EXPECT_EQ(dialogs->folderRequests[1].preselect, "/books");
    EXPECT_EQ(dialogs->folderRequests[1].instruction, "Select Folder");
    EXPECT_EQ(dialogs->folderRequests[1].statusText, "Please Select a Folder");
    EXPECT_FALSE(dialogs->folderRequests[1].showStatus);
}

TEST_F(CompilerWindowTest, RunEBookOpensTheOutputFile) {
    form->vSave_dir->SetText("/out/");
    form->runeBook->Click();
    form->vSave_dir->SetText("");
    form->Vcompile_file->SetText("book.exe");
    form->runeBook->Click();
    form->Vcompile_file->SetText("/elsewhere/own-path.exe");
    form->runeBook->Click();
    EXPECT_EQ(opened, (std::vector<std::string>{"/out//eBook.exe", SimExe::ExecutableFolder() + "/book.exe",
                                                "/elsewhere/own-path.exe"}));
}

TEST_F(CompilerWindowTest, AboutLinksOpenTheMakersPages) {
    form->Label15->Click();
    form->Image1->Click();
    form->Label17->Click();
    EXPECT_EQ(opened, (std::vector<std::string>{kMakerWebPage, kMakerWebPage, std::string("mailto:") + kMakerEmail}));
}

TEST_F(CompilerWindowTest, ExitClosesTheWindowAndEndsTheProgram) {
    toolkit::Application().SetMainForm(form.get());
    form->Show();
    form->SpeedButton29->Click();
    EXPECT_FALSE(form->Showing());
    EXPECT_TRUE(toolkit::Application().Terminated());
    EXPECT_TRUE(dialogs->messages.empty());
}
