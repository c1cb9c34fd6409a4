// Folder picker: flag word bookkeeping, the preselected folder carried over
// between calls, cancelling, and special-folder roots.
#include "Forms.h"
#include "ScriptedDialogsFor.h"
#include "TempDir.h"
#include "folderBrowse.h"

#include <gtest/gtest.h>

using namespace folderBrowse;
using F = TBrowseFlag;

namespace {

class FolderPickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs = &UseScriptedDialogs();
    }
    toolkit::ScriptedDialogs* dialogs = nullptr;
    TBrowseForFolder picker;
};

}  // namespace

TEST_F(FolderPickerTest, Defaults) {
    EXPECT_EQ(picker.StatusText, "Please select folder");
    EXPECT_EQ(picker.FolderName, "/");
    EXPECT_EQ(picker.Caption, "Select Folder");
    EXPECT_EQ(picker.DisplayName(), "");
    EXPECT_TRUE(picker.Flags().empty());
    EXPECT_EQ(picker.Root, TBrowseLocation::bl_STANDART);
}

TEST_F(FolderPickerTest, FlagsRoundTripAndValidateNeverShows) {
    picker.SetFlags({F::bf_EditBox, F::bf_statustext});
    EXPECT_EQ(picker.Flags(), (TBrowseFlags{F::bf_EditBox, F::bf_statustext}));
    EXPECT_EQ(picker.FlagWord(), 20u);
    picker.Execute();
    EXPECT_EQ(picker.FlagWord(), 52u);
    EXPECT_EQ(picker.Flags(), (TBrowseFlags{F::bf_EditBox, F::bf_statustext}));
    picker.SetFlags({F::bf_BrowseForPrinter});
    EXPECT_EQ(picker.FlagWord(), 8192u + 32u);
    ASSERT_EQ(dialogs->folderRequests.size(), 1u);
    EXPECT_TRUE(dialogs->folderRequests[0].showStatus);
    EXPECT_TRUE(dialogs->folderRequests[0].editBox);
}

TEST_F(FolderPickerTest, ChosenFolderIsPreselectedNextTimeAndCancelKeepsIt) {
    dialogs->folderAnswers.push_back(toolkit::FolderChoice{"/srv/site", "site"});
    EXPECT_TRUE(picker.Execute());
    EXPECT_EQ(picker.FolderName, "/srv/site");
    EXPECT_EQ(picker.DisplayName(), "site");

    picker.FolderName = "/preset";
    EXPECT_FALSE(picker.Execute());
    EXPECT_EQ(picker.FolderName, "/preset");
    EXPECT_EQ(picker.DisplayName(), "site");
    ASSERT_EQ(dialogs->folderRequests.size(), 2u);
    EXPECT_EQ(dialogs->folderRequests[0].preselect, "/");
    EXPECT_EQ(dialogs->folderRequests[1].preselect, "/preset");
    EXPECT_EQ(dialogs->folderRequests[1].instruction, "Select Folder");
    EXPECT_FALSE(dialogs->folderRequests[1].showStatus);
}

TEST_F(FolderPickerTest, SpecialRootsComeFromTheDesktopsUserFolders) {
    TempDir config;
    config.Write("user-dirs.dirs", "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "/";
    EXPECT_EQ(LocationFolder(TBrowseLocation::bl_PERSONAL), home + "/Papers");
    EXPECT_EQ(LocationFolder(TBrowseLocation::bl_DESKTOP), home + "/Desktop");
    EXPECT_EQ(LocationFolder(TBrowseLocation::bl_PRINTERS), "");

    picker.Root = TBrowseLocation::bl_PERSONAL;
    picker.Execute();
    picker.Root = TBrowseLocation::bl_STANDART;  // the root stays for later calls
    picker.Execute();
    picker.Root = TBrowseLocation::bl_CUSTOM;    // nothing set: the whole file system
    picker.Execute();
    ::unsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(dialogs->folderRequests.size(), 3u);
    EXPECT_EQ(dialogs->folderRequests[0].root, home + "/Papers");
    EXPECT_EQ(dialogs->folderRequests[1].root, home + "/Papers");
    EXPECT_EQ(dialogs->folderRequests[2].root, "");
}
