// The viewer window through the model and a fake browser: start-up from an
// eBook image, the password, the toolbar, the buttons, the restrictions,
// the About box, the close message and the book's contents.
#include "Contents.h"
#include "FakeBrowser.h"
#include "SimExe.h"
#include "ScriptedDialogsFor.h"
#include "TempDir.h"
#include "Unit1.h"
#include "Unit2.h"
#include "ZLibEx.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace viewer;

namespace {

// Records what the program shows, in order, and when the main window appears.
class ViewerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs = &UseScriptedDialogs();
        toolkit::Application().Title = "Zorbin eBook";
        SetBrowserFactory([this] {
            auto fake = std::make_unique<FakeBrowser>();
            browser = fake.get();
            return fake;
        });
        SimExe::SetShellOpener([this](const std::string& t) { opened.push_back(t); });
        image = "viewer program bytes";
        pages_ready = false;
        // What the window keeps of its reader goes to this test's folder.
        ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    }
    void TearDown() override {
        form.reset();
        SetBrowserFactory(nullptr);
        SimExe::SetShellOpener(nullptr);
        SimExe::SetOwnImageFile("");
        pages_ready = false;
        ::unsetenv("XDG_STATE_HOME");
    }

    void Setting(const std::string& key, const std::string& value) {
        SimExe::AppendBlock(key, ZLibEx::CompressString(value, ZLibEx::lvDefault), image);
    }

    // Writes the eBook image and starts the window on it as the program does.
    void Start() {
        SimExe::SetOwnImageFile(dir.Write("book.exe", image));
        form = std::make_unique<TForm1>(about);
        toolkit::Application().Dispatch([this] { form->FormCreate(); });
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& m : dialogs->messages) texts.push_back(m.text);
        return texts;
    }

    TempDir dir;
    std::string image;
    toolkit::ScriptedDialogs* dialogs = nullptr;
    FakeBrowser* browser = nullptr;
    std::vector<std::string> opened;
    TForm2 about;
    std::unique_ptr<TForm1> form;
};

std::vector<int> ShownLefts(TForm1& f) {
    std::vector<int> lefts;
    for (TButton* b : {f.SpeedButton1, f.SpeedButton2, f.SpeedButton3, f.SpeedButton4, f.SpeedButton5,
                       f.SpeedButton6, f.SpeedButton7, f.SpeedButton8, f.SpeedButton9})
        lefts.push_back(b->Visible() ? b->Left() : -1);
    return lefts;
}

}  // namespace

TEST_F(ViewerWindowTest, WithoutSettingsTheDefaultsApply) {
    form = std::make_unique<TForm1>(about);
    EXPECT_EQ(form->Caption(), "eBook");
    EXPECT_EQ(ShownLefts(*form), std::vector<int>(9, -1));
    EXPECT_FALSE(form->SpeedButton1->Enabled() || form->SpeedButton2->Enabled());
    form.reset();

    Start();
    EXPECT_EQ(form->Caption(), "Zorbin eBook Compiler");
    EXPECT_EQ(browser->calls, (std::vector<std::string>{"register", "navigate http://ebook/index.html"}));
    EXPECT_TRUE(pages_ready);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(ShownLefts(*form), std::vector<int>(9, -1));
}

TEST_F(ViewerWindowTest, SettingsGiveCaptionToolbarAndFirstPage) {
    Setting("ctoolbar", "111111111010100");
    Setting("chome", "chapter1/page one.html");
    Setting("cproject", "My Book");
    Start();
    EXPECT_EQ(form->Caption(), "My Book");
    EXPECT_EQ(ShownLefts(*form), (std::vector<int>{0, 58, 116, 174, 232, 290, 348, 406, 464}));
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/chapter1/page one.html");
    EXPECT_EQ(browser->served->Bytes(), image) << "the window serves the program's own file";
}

TEST_F(ViewerWindowTest, FirstPageNamedWithWhatAUrlCannotCarryIsEscaped) {
    Setting("chome", "notes #1?.html");
    Start();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/notes %231%3F.html");
    form->SpeedButton4->Click();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/notes %231%3F.html");
}

TEST_F(ViewerWindowTest, ToolbarPacksTheChosenButtonsFromTheLeft) {
    Setting("ctoolbar", "100100001000000");
    Start();
    EXPECT_EQ(ShownLefts(*form), (std::vector<int>{0, -1, -1, 58, -1, -1, -1, -1, 116}));
    Settings().ctoolbar = "Y00100001";
    form = std::make_unique<TForm1>(about);
    form->set_toolbar();
    EXPECT_EQ(ShownLefts(*form), (std::vector<int>{-1, -1, -1, 0, -1, -1, -1, -1, 58}));
    Settings().ctoolbar = "0001";  // short: the missing positions count as '0'
    form = std::make_unique<TForm1>(about);
    form->set_toolbar();
    EXPECT_EQ(ShownLefts(*form), (std::vector<int>{-1, -1, -1, 0, -1, -1, -1, -1, -1}));
}

TEST_F(ViewerWindowTest, RightPasswordThenStartMessageThenFirstPage) {
    Setting("cpass", "Secret");
    Setting("cOnStart", "Welcome\r\nto the\r\nbook");
    dialogs->inputAnswers.push_back("Secret");
    Start();
    EXPECT_EQ(dialogs->inputPrompts, std::vector<std::string>{"Password"});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Welcome\r\nto the\r\nbook"});
    EXPECT_EQ(dialogs->messages[0].caption, "Zorbin eBook");
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html");
    EXPECT_FALSE(toolkit::Application().Terminated());
}

TEST_F(ViewerWindowTest, WrongEmptyOrCancelledPasswordEndsTheProgram) {
    for (std::optional<std::string> answer : {std::optional<std::string>("secret"), std::optional<std::string>("Secret "),
                                              std::optional<std::string>(""), std::optional<std::string>()}) {
        image = "viewer";
        Setting("cpass", "Secret");
        Setting("cOnStart", "start");
        Setting("cOnClose", "close");
        dialogs = &UseScriptedDialogs();
        dialogs->inputAnswers.push_back(answer);
        Start();
        EXPECT_EQ(Messages(), std::vector<std::string>{"Incorrect Password"});
        EXPECT_EQ(browser->calls, std::vector<std::string>{"register"});
        EXPECT_FALSE(pages_ready);
        EXPECT_TRUE(toolkit::Application().Terminated());
    }
}

TEST_F(ViewerWindowTest, EmptyPasswordAndEmptyStartMessageAskNothing) {
    Setting("ctoolbar", "111111111010111");
    Setting("cpass", "");
    Setting("cOnStart", "");
    Start();
    EXPECT_TRUE(dialogs->inputPrompts.empty());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(ViewerWindowTest, DamagedSettingsBlockStopsStartUpWithAnError) {
    Setting("ctoolbar", "111111111010100");
    SimExe::AppendBlock("cproject", "not compressed", image);
    Start();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].icon, toolkit::MessageIcon::Error);
    EXPECT_EQ(dialogs->messages[0].text, "data error.");
    EXPECT_EQ(form->Caption(), "eBook");
    EXPECT_EQ(ShownLefts(*form), std::vector<int>(9, -1));
    EXPECT_FALSE(pages_ready);
    EXPECT_EQ(browser->calls, std::vector<std::string>{"register"});
}

TEST_F(ViewerWindowTest, ButtonsDriveTheBrowser) {
    Setting("chome", "start.html");
    Start();
    browser->calls.clear();
    form->SpeedButton6->Click();  // no document yet: nothing
    form->SpeedButton7->Click();
    browser->hasDocument = true;
    for (TButton* b : {form->SpeedButton1, form->SpeedButton2, form->SpeedButton3, form->SpeedButton5,
                       form->SpeedButton6, form->SpeedButton7})
        b->Click();
    pages_ready = false;
    form->SpeedButton4->Click();
    EXPECT_EQ(browser->calls, (std::vector<std::string>{"back", "forward", "refresh", "stop", "find", "print",
                                                        "navigate http://ebook/start.html"}));
    form->Image1->Click();
    EXPECT_EQ(opened, std::vector<std::string>{kMakerEbookPage});
}

TEST_F(ViewerWindowTest, HistoryNotificationsEnableBackAndNext) {
    Start();
    browser->CommandStateChange(CSC_NAVIGATEBACK, true);
    EXPECT_TRUE(form->SpeedButton1->Enabled());
    EXPECT_FALSE(form->SpeedButton2->Enabled());
    browser->CommandStateChange(CSC_NAVIGATEFORWARD, true);
    browser->CommandStateChange(CSC_UPDATECOMMANDS, false);
    EXPECT_TRUE(form->SpeedButton2->Enabled());
    browser->CommandStateChange(CSC_NAVIGATEBACK, false);
    EXPECT_FALSE(form->SpeedButton1->Enabled());
}

TEST_F(ViewerWindowTest, ContextMenuOnlyOffWithFlagElevenAndKeysAlwaysSwallowed) {
    const std::pair<const char*, HRESULT> cases[] = {
        {"000000000010000", S_OK}, {"000000000000000", S_FALSE}, {"0000000000Y0000", S_FALSE}, {"0000", S_FALSE}};
    Start();
    for (auto [flags, expected] : cases) {
        Settings().ctoolbar = flags;
        EXPECT_EQ(browser->ShowContextMenu(), expected) << flags;
        EXPECT_EQ(browser->TranslateAccelerator(), S_OK);
    }
}

TEST_F(ViewerWindowTest, AboutTextIsRebuiltOnEveryOpening) {
    Setting("cproject", "Title A");
    Setting("cauthor", "Ann");
    Start();
    form->SpeedButton8->Click();
    form->SpeedButton8->Click();
    EXPECT_EQ(about.aboutms->Text(), "\r\nTitle: Title A\r\n\r\nAuthor: Ann\r\n\r\n");
    EXPECT_EQ(about.aboutms->Lines().size(), 5u);
}

TEST_F(ViewerWindowTest, AboutTextWithEveryDetailAndDefaults) {
    Start();
    form->SpeedButton8->Click();
    EXPECT_EQ(about.aboutms->Text(), "\r\nTitle: Zorbin eBook Compiler\r\n\r\n");

    Settings() = ViewerSettings{"", "", "", "", "", "T", "42", "A", "a@x.example", "http://x.example", "line 1\r\nline 2"};
    form->SpeedButton8->Click();
    EXPECT_EQ(about.aboutms->Text(),
              "\r\nTitle: T\r\n\r\neBook # 42\r\n\r\nAuthor: A\r\n\r\nWeb: http://x.example\r\n\r\n"
              "eMail: a@x.example\r\n\r\nline 1\r\nline 2\r\n\r\n");
    about.Label1->Click();
    EXPECT_EQ(opened, std::vector<std::string>{kMakerEbookPage});
}

TEST_F(ViewerWindowTest, CloseMessageOnceWhicheverWayTheWindowCloses) {
    Setting("cOnClose", "Goodbye");
    Start();
    toolkit::Application().SetMainForm(form.get());
    form->SpeedButton9->Click();
    form->Close();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Goodbye"});
    form->FormDestroy();
    EXPECT_EQ(browser->calls.back(), "unregister");
}

TEST_F(ViewerWindowTest, NoCloseMessageClosesAtOnce) {
    Start();
    form->Close();
    EXPECT_TRUE(dialogs->messages.empty());
}

namespace {

// A table of two pages, the first with a section.
const contents::Contents kTable{"test",
                                {{"One", "one.html", "", {{"Part", "one.html", "part", {}}}},
                                 {"Two", "dir/two.html", "", {}}}};

}  // namespace

TEST_F(ViewerWindowTest, WithoutContentsTheWindowIsAsBeforeAndF9IsNotOurs) {
    Setting("/zorbin/reopen", "0");
    Start();
    EXPECT_FALSE(form->ContentsTree->Visible());
    EXPECT_FALSE(form->ContentsButton->Visible());
    EXPECT_FALSE(form->Shortcut({"F9"}));
    EXPECT_FALSE(form->Shortcut({"Page_Down", true}));
    form->webbrowser1->Browser().NavigateComplete("http://ebook/one.html");
    EXPECT_TRUE(form->ContentsTree->Selected().empty());

    // A damaged table is no table.
    form.reset();
    SimExe::AppendBlock(contents::kContentsBlockName, "not zlib", image);
    Start();
    form->webbrowser1->Browser().DocumentComplete("http://ebook/index.html");
    EXPECT_FALSE(form->ContentsTree->Visible());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(ViewerWindowTest, TheContentsFollowTheReaderAndOpenTheirPlaces) {
    Setting(contents::kContentsBlockName, contents::Encode(kTable));
    Start();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html") << "the first page is asked for first";
    ASSERT_TRUE(form->ContentsTree->Visible()) << "a small book is indexed at once: its table comes with the page";
    EXPECT_TRUE(form->ContentsButton->Visible());
    ASSERT_TRUE(form->ContentsTree->Items());
    EXPECT_EQ(form->ContentsTree->Items()->Title({0, 0}), "Part");

    // The reader follows a link: its entry is selected, nothing more is loaded.
    browser->calls.clear();
    form->webbrowser1->Browser().NavigateComplete("http://ebook/one.html#part");
    EXPECT_EQ(form->ContentsTree->Selected(), (TreePath{0, 0}));
    form->webbrowser1->Browser().NavigateComplete("http://ebook/dir/two.html");
    EXPECT_EQ(form->ContentsTree->Selected(), (TreePath{1}));
    form->webbrowser1->Browser().NavigateComplete("http://ebook/index.html");
    EXPECT_TRUE(form->ContentsTree->Selected().empty()) << "a page no entry opens";
    EXPECT_TRUE(browser->calls.empty());

    // Choosing an entry opens its page at its anchor.
    form->ContentsTree->Activate({0, 0});
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/one.html#part");

    // Ctrl+Page Down and Up go through the pages in the table's order.
    EXPECT_TRUE(form->Shortcut({"Page_Down", true}));
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/dir/two.html");
    EXPECT_EQ(form->ContentsTree->Selected(), (TreePath{1}));
    browser->calls.clear();
    EXPECT_TRUE(form->Shortcut({"Page_Down", true}));
    EXPECT_TRUE(browser->calls.empty()) << "the last page has no next";
    EXPECT_TRUE(form->Shortcut({"Page_Up", true}));
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/one.html");
    EXPECT_FALSE(form->Shortcut({"Page_Down"})) << "without Control the page scrolls";

    // F9 and the toolbar's control hide and show the tree.
    EXPECT_TRUE(form->SidePane->Visible());
    EXPECT_TRUE(form->Shortcut({"F9"}));
    EXPECT_FALSE(form->SidePane->Visible());
    form->ContentsButton->Click();
    EXPECT_TRUE(form->SidePane->Visible());
    EXPECT_EQ(form->SidePane->ActivePage(), form->ContentsSheet);
    EXPECT_FALSE(form->Shortcut({"F9", true})) << "Control+F9 is not the reader's key";
    EXPECT_TRUE(form->Shortcut({"F6"}));
    EXPECT_EQ(ShownLefts(*form), std::vector<int>(9, -1)) << "the nine buttons stay as the author chose";
}

TEST_F(ViewerWindowTest, AFirstPageTheContentsListIsSelectedWhenItIsShown) {
    Setting(contents::kContentsBlockName, contents::Encode(kTable));
    Setting("chome", "dir/two.html");
    Start();
    form->webbrowser1->Browser().DocumentComplete("http://ebook/dir/two.html");
    EXPECT_EQ(form->ContentsTree->Selected(), (TreePath{1}));
}

TEST_F(ViewerWindowTest, ATableBehindBlocksNotYetIndexedComesOnceTheFirstPageIsShown) {
    // Every setting stands before 64 MB of media and the table: reading them
    // leaves the table unindexed.
    for (const char* key : {"ctoolbar", "cpass", "cOnStart", "cOnClose", "chome", "cproject", "cenumber", "cauthor",
                            "cemail", "cweb", "cabout"})
        Setting(key, std::string(key) == "chome" ? "one.html" : "");
    SimExe::AppendBlock("media.bin", std::string(64 << 20, 'm'), image);
    Setting(contents::kContentsBlockName, contents::Encode(kTable));
    Start();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/one.html");
    EXPECT_FALSE(form->ContentsTree->Visible());
    form->webbrowser1->Browser().DocumentComplete("http://ebook/one.html");
    EXPECT_TRUE(form->ContentsTree->Visible() && form->SidePane->Visible());
    EXPECT_EQ(form->ContentsTree->Selected(), (TreePath{0}));
}

// ---- what the window keeps of its reader ---------------------------------

namespace {

// A book of two pages that keeps its reader's place; the window is told of
// the reader's moves as the web view tells them.
class KeptReaderTest : public ViewerWindowTest {
protected:
    void SetUp() override {
        ViewerWindowTest::SetUp();
        for (const char* page : {"index.html", "dir/two.html"}) SimExe::AppendBlock(page, ZLibEx::CompressString("<p>", ZLibEx::lvDefault), image);
    }
    WebBrowser& Browser() { return form->webbrowser1->Browser(); }
    // The reader opens a page and scrolls on it.
    void ReadAt(const std::string& url, const std::string& spot, double fraction) {
        Browser().NavigateComplete(url);
        Browser().DocumentComplete(url);
        Browser().PlaceChanged(url, spot, fraction);
    }
    // Closes the window as the reader does, and opens the book again.
    void Reopen() {
        form->Close();
        form.reset();
        Start();
    }
    std::vector<std::string> StateFiles() const {
        std::vector<std::string> names;
        if (std::filesystem::exists(dir / "state/zorbin-ebook"))
            for (const auto& entry : std::filesystem::directory_iterator(dir / "state/zorbin-ebook"))
                names.push_back(entry.path().filename());
        return names;
    }
};

}  // namespace

TEST_F(KeptReaderTest, TheBookReopensAtThePlaceAndZoomItWasLeftAt) {
    Start();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html") << "nothing kept yet";
    ReadAt("http://ebook/dir/two.html", "main|2/0|0.7", 0.25);
    EXPECT_TRUE(form->Shortcut({"plus", true, false, true}));
    EXPECT_TRUE(form->Shortcut({"plus", true, false, true}));
    EXPECT_DOUBLE_EQ(Browser().Zoom(), 1.25);
    form->ClientWidth = 900;
    form->ClientHeight = 600;
    form->Maximized = false;
    form->ContentsSplitter->SetPosition(190);
    Reopen();

    EXPECT_DOUBLE_EQ(Browser().Zoom(), 1.25);
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/dir/two.html");
    EXPECT_EQ(form->ClientWidth, 900);
    EXPECT_EQ(form->ClientHeight, 600);
    EXPECT_FALSE(form->Maximized);
    EXPECT_EQ(form->ContentsSplitter->Position(), 190);
    // The page's top is told before the place is shown: it is not the reader's.
    Browser().PlaceChanged("http://ebook/dir/two.html", "|", 0);
    Browser().DocumentComplete("http://ebook/dir/two.html");
    EXPECT_EQ(browser->calls.back(), "show place main|2/0|0.7 0.250000");

    // Home still goes to the first page; Control+0 gives the pages their own size.
    form->SpeedButton4->Click();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html");
    EXPECT_TRUE(form->Shortcut({"0", true}));
    EXPECT_DOUBLE_EQ(Browser().Zoom(), 1);
    EXPECT_TRUE(form->Shortcut({"minus", true}));
    EXPECT_DOUBLE_EQ(Browser().Zoom(), 0.9);
    // The wheel with Control held steps as the keys do; a zoom between two
    // steps goes to the next one on its way, and the ends hold.
    Browser().SetZoom(1.2);
    Browser().ZoomWheel(1);
    EXPECT_DOUBLE_EQ(Browser().Zoom(), 1.25);
    Browser().SetZoom(1.2);
    Browser().ZoomWheel(-1);
    EXPECT_DOUBLE_EQ(Browser().Zoom(), 1.1);
    for (int i = 0; i < 20; ++i) Browser().ZoomWheel(-1);
    EXPECT_DOUBLE_EQ(Browser().Zoom(), 0.3);
}

TEST_F(KeptReaderTest, WritesWaitForAPauseAndNothingIsWrittenWhileNothingChanges) {
    Start();
    ReadAt("http://ebook/dir/two.html", "|1", 0.5);
    EXPECT_TRUE(StateFiles().empty()) << "a change is written a moment later";
    toolkit::Application().ProcessMessages();
    ASSERT_EQ(StateFiles().size(), 1u);
    Reopen();
    // Opened and closed without a move: the file is not written again.
    const std::string file = dir / "state/zorbin-ebook" + "/" + StateFiles()[0];
    std::filesystem::remove(file);
    Browser().DocumentComplete("http://ebook/dir/two.html");
    toolkit::Application().ProcessMessages();
    form->Close();
    EXPECT_TRUE(StateFiles().empty());
}

TEST_F(KeptReaderTest, TheContentsSelectTheEntryOfThePlaceReopened) {
    Setting(contents::kContentsBlockName, contents::Encode(kTable));
    Start();
    ReadAt("http://ebook/dir/two.html", "|1", 0.5);
    Reopen();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/dir/two.html");
    EXPECT_EQ(form->ContentsTree->Selected(), (TreePath{1}));
}

TEST_F(KeptReaderTest, APageGoneFromARebuiltBookOpensTheFirstPage) {
    Start();
    ReadAt("http://ebook/gone.html", "|1", 0.5);
    Reopen();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html");
}

TEST_F(KeptReaderTest, WithTheAuthorsChoiceOffNothingIsReadOrWritten) {
    Setting("/zorbin/reopen", "0");
    Start();
    ReadAt("http://ebook/dir/two.html", "|1", 0.5);
    EXPECT_TRUE(form->Shortcut({"d", true}));
    form->Shortcut({"plus", true});
    toolkit::Application().ProcessMessages();
    Reopen();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html");
    EXPECT_DOUBLE_EQ(Browser().Zoom(), 1) << "the zoom keys work; the zoom is not kept";
    EXPECT_FALSE(std::filesystem::exists(dir / "state")) << "no folder, no file";
    EXPECT_FALSE(form->ContentsButton->Visible());
}

TEST_F(KeptReaderTest, BookmarksAreAddedOpenedRenamedAndRemoved) {
    Start();
    EXPECT_TRUE(form->ContentsButton->Visible()) << "a mouse finds the bookmarks";
    EXPECT_EQ(form->ContentsButton->Caption(), "Bookmarks");
    EXPECT_FALSE(form->SidePane->Visible()) << "no bookmarks yet: the page has the width";
    browser->title = "Chapter Two";
    ReadAt("http://ebook/dir/two.html", "|4", 0.5);
    EXPECT_TRUE(form->Shortcut({"d", true}));
    EXPECT_TRUE(form->SidePane->Visible());
    EXPECT_EQ(form->SidePane->ActivePage(), form->BookmarksSheet);
    browser->title = "";
    ReadAt("http://ebook/index.html", "|0", 0);
    form->AddBookmarkButton->Click();
    ASSERT_EQ(form->BookmarksList->Items()->Count({}), 2u);
    EXPECT_EQ(form->BookmarksList->Items()->Title({0}), "Chapter Two");
    EXPECT_EQ(form->BookmarksList->Items()->Title({1}), "index.html") << "a page without a title is named by its name";

    dialogs->inputAnswers.push_back("Where I was");
    form->BookmarksList->SetSelected({0});
    form->RenameBookmarkButton->Click();
    Reopen();
    ASSERT_EQ(form->BookmarksList->Items()->Count({}), 2u);
    EXPECT_EQ(form->BookmarksList->Items()->Title({0}), "Where I was");
    EXPECT_TRUE(form->SidePane->Visible()) << "left shown";

    form->BookmarksList->Activate({0});
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/dir/two.html");
    Browser().DocumentComplete("http://ebook/dir/two.html");
    EXPECT_EQ(browser->calls.back(), "show place |4 0.500000");

    dialogs->inputAnswers.push_back(std::nullopt);  // the rename is cancelled
    form->RenameBookmarkButton->Click();
    form->RemoveBookmarkButton->Click();
    ASSERT_EQ(form->BookmarksList->Items()->Count({}), 1u);
    EXPECT_EQ(form->BookmarksList->Items()->Title({0}), "index.html");
    EXPECT_EQ(form->BookmarksList->Selected(), (TreePath{0}));
}

TEST_F(KeptReaderTest, AKeyWhoseButtonTheAuthorHidDoesNothing) {
    Setting("ctoolbar", "100001000");
    Start();
    browser->hasDocument = true;
    EXPECT_TRUE(form->Shortcut({"f", true}));
    EXPECT_EQ(browser->calls.back(), "find");
    EXPECT_TRUE(form->Shortcut({"Right", false, true})) << "Next is hidden";
    form->webbrowser1CommandStateChange(CSC_NAVIGATEBACK, false);
    EXPECT_TRUE(form->Shortcut({"Left", false, true})) << "nowhere to go back to";
    form->webbrowser1CommandStateChange(CSC_NAVIGATEBACK, true);
    EXPECT_EQ(browser->calls.back(), "find");
    EXPECT_TRUE(form->Shortcut({"Left", false, true}));
    EXPECT_EQ(browser->calls.back(), "back");
    EXPECT_FALSE(form->Shortcut({"c", true})) << "copy stays the browser's, which the window swallows";
}

TEST_F(KeptReaderTest, WithoutTheirButtonsFindAndHistoryKeysDoNothing) {
    Setting("ctoolbar", "000000000");
    Start();
    form->webbrowser1CommandStateChange(CSC_NAVIGATEBACK, true);
    browser->hasDocument = true;
    browser->calls.clear();
    EXPECT_TRUE(form->Shortcut({"f", true}));
    EXPECT_TRUE(form->Shortcut({"Left", false, true}));
    EXPECT_TRUE(browser->calls.empty());
}

TEST_F(KeptReaderTest, AnUnwritableOrDamagedStateIsPassedOverInSilence) {
    // A folder that cannot be made: its parent is a file.
    dir.Write("state", "a file");
    Start();
    ReadAt("http://ebook/dir/two.html", "|1", 0.5);
    toolkit::Application().ProcessMessages();
    form->Close();
    EXPECT_TRUE(dialogs->messages.empty());

    // A damaged file in the book's place opens the first page, and is replaced.
    std::filesystem::remove(dir / "state");
    form.reset();
    Start();
    ReadAt("http://ebook/dir/two.html", "|1", 0.5);
    Reopen();
    ASSERT_EQ(StateFiles().size(), 1u);
    const std::string file = dir / "state/zorbin-ebook" + "/" + StateFiles()[0];
    for (const std::string& damage : {std::string("zorbin-reader-state 9\n"), std::string("\xff\x00garbage", 9),
                                      std::string()}) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << damage;
        form.reset();
        browser = nullptr;
        Start();
        EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html");
        EXPECT_TRUE(dialogs->messages.empty());
    }
    ReadAt("http://ebook/dir/two.html", "|1", 0.5);
    Reopen();
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/dir/two.html") << "the damaged file was replaced";
}
