// The project directory scan and the choice of the first page, on real folders.
#include "CompilerWindowFixture.h"
#include "TempDir.h"

#include <gmock/gmock.h>

using namespace compiler;
using ::testing::ElementsAre;

namespace {

class ProjectScanTest : public CompilerWindowTest {
protected:
    void SetUp() override {
        CompilerWindowTest::SetUp();
        site.Write("b.htm", "b");
        site.Write("INDEX.HTM", "i");
        site.Write("page.Html", "p");
        site.Write("style.css", "s");
        site.Write("a/x.html", "x");
        site.Write("a/pic.gif", "g");
    }
    void Choose(const std::string& folder) {
        dialogs->folderAnswers.push_back(toolkit::FolderChoice{folder, folder.substr(folder.rfind('/') + 1)});
        form->Button3->Click();
    }
    TempDir site;
};

}  // namespace

TEST(ExtractFileExt, FromTheLastDotUnlessABackslashOrColonFollows) {
    EXPECT_EQ(ExtractFileExt("index.htm"), ".htm");
    EXPECT_EQ(ExtractFileExt("chapter1/part2/page.html"), ".html");
    EXPECT_EQ(ExtractFileExt("release1.0/readme"), ".0/readme");
    EXPECT_EQ(ExtractFileExt("docs/notes"), "");
    EXPECT_EQ(ExtractFileExt("a.b\\c"), "");
    EXPECT_EQ(ExtractFileExt("a.b:c"), "");
    EXPECT_EQ(ExtractFileExt("mybook"), "");
}

TEST_F(ProjectScanTest, ChoosingADirectoryListsFilesAndOffersHtmlPages) {
    Choose(site.path());
    EXPECT_EQ(form->vproject_dir->Text(), site.path());
    EXPECT_THAT(form->vProject_files->Items(),
                ElementsAre("INDEX.HTM", "b.htm", "page.Html", "style.css", "a/pic.gif", "a/x.html"));
    EXPECT_EQ(form->ltotalfiles->Caption(), "6");
    EXPECT_TRUE(form->vProject_homepage->Enabled());
    EXPECT_THAT(form->vProject_homepage->Items(), ElementsAre("b.htm", "a/x.html"));
}

TEST_F(ProjectScanTest, AnyEntryOrTypedTextBecomesTheFirstPage) {
    Choose(site.path());
    form->vProject_files->SetItemIndex(0);
    EXPECT_EQ(form->vproject_homefile->Text(), "INDEX.HTM");
    form->vProject_homepage->SetItemIndex(1);
    EXPECT_EQ(form->vproject_homefile->Text(), "a/x.html");
    form->vProject_homepage->SetText("typed/anything.htm");
    EXPECT_EQ(form->vproject_homefile->Text(), "typed/anything.htm");
}

TEST_F(ProjectScanTest, SubFolderOptionTakesEffectAtTheNextScan) {
    Choose(site.path());
    form->CheckBox1->Click();
    EXPECT_FALSE(form->BWFileFinder1.InSubFolders);
    EXPECT_EQ(form->vProject_files->Items().size(), 6u);
    form->vProject_files->SetItemIndex(1);
    form->SpeedButton28->Click();
    EXPECT_THAT(form->vProject_files->Items(), ElementsAre("INDEX.HTM", "b.htm", "page.Html", "style.css"));
    EXPECT_EQ(form->vproject_homefile->Text(), "");
    EXPECT_THAT(form->vProject_homepage->Items(), ElementsAre("b.htm"));
}

TEST_F(ProjectScanTest, ReScanWithoutADirectoryChangesNothing) {
    form->vProject_homepage->SetText("kept.htm");
    form->SpeedButton28->Click();
    EXPECT_EQ(form->vproject_homefile->Text(), "kept.htm");
    EXPECT_FALSE(form->vProject_homepage->Enabled());
}

TEST_F(ProjectScanTest, CancellingThePickerChangesNothing) {
    Choose(site.path());
    form->vProject_files->SetItemIndex(1);
    form->Button3->Click();  // no answer scripted: cancelled
    EXPECT_EQ(form->vproject_dir->Text(), site.path());
    EXPECT_EQ(form->vProject_files->Items().size(), 6u);
    EXPECT_EQ(form->vproject_homefile->Text(), "b.htm");
    ASSERT_EQ(dialogs->folderRequests.size(), 2u);
    EXPECT_EQ(dialogs->folderRequests[1].preselect, site.path());
}

TEST_F(ProjectScanTest, EmptyDirectoryGivesAnEnabledEmptyFirstPageList) {
    TempDir empty;
    Choose(empty.path());
    EXPECT_TRUE(form->vProject_files->Items().empty());
    EXPECT_EQ(form->ltotalfiles->Caption(), "0");
    EXPECT_TRUE(form->vProject_homepage->Enabled());
    EXPECT_TRUE(form->vProject_homepage->Items().empty());
}

TEST_F(ProjectScanTest, MissingDirectoryListsNothingAndSaysWhichFolder) {
    Choose(site.path());
    const std::string gone = site / "moved-away";
    form->vproject_dir->SetText(gone);
    form->SpeedButton28->Click();
    EXPECT_TRUE(form->vProject_files->Items().empty());
    EXPECT_EQ(form->ltotalfiles->Caption(), "0");
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "The project directory " + gone + " does not exist.");
}
