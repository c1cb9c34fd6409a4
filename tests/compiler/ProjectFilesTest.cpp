// Project files: what Save Project writes, and Open Project restoring every
// field, check box and the file list.
#include "BlockList.h"
#include "CompilerWindowFixture.h"
#include "FailingCall.h"
#include "TempDir.h"
#include "ZLibEx.h"
#include "ZeroBomb.h"

#include <sys/stat.h>

#include <filesystem>

using namespace compiler;
using Blocks = std::vector<std::pair<std::string, std::string>>;

namespace {

class ProjectFilesTest : public CompilerWindowTest {
protected:
    void Save(const std::string& chosen) {
        dialogs->fileAnswers.push_back(chosen);
        form->SpeedButton13->Click();
    }
    void Open(const std::string& chosen) {
        dialogs->fileAnswers.push_back(chosen);
        form->SpeedButton12->Click();
    }
    // Saves the window's project, starts afresh and opens it again.
    void SaveAndReopen() {
        Save(dir / "project");
        form->SpeedButton1->Click();
        Open(dir / "project.zbp");
    }
    TempDir dir;
};

}  // namespace

TEST_F(ProjectFilesTest, DefaultsSaveTheirBlocksAndComeBack) {
    Save(dir / "project");
    EXPECT_EQ(ProjectFileName(), dir / "project.zbp");
    EXPECT_EQ(form->Caption(), "Zorbin eBook Compiler - v1.0  [project.zbp]");
    EXPECT_EQ(ListBlocks(ReadFile(dir / "project.zbp")),
              (Blocks{{"CTOOLBAR", "111111111010100"}, {"CHOME", ""}, {"CONSTART", "Your Message Here...\r\n"},
                      {"CONCLOSE", "Your Message Here...\r\n"}, {"CCOMPILE_FILE", "eBook.exe"},
                      {"CSEARCH_INDEX", "1"}, {"CCONTENTS", "1"}, {"CREOPEN", "1"}}));
    ASSERT_EQ(dialogs->fileRequests.size(), 1u);
    EXPECT_EQ(dialogs->fileRequests[0].filter, "Application (*.zbp)|*.zbp");
    EXPECT_TRUE(dialogs->fileRequests[0].save);

    form->SpeedButton1->Click();
    EXPECT_EQ(form->Caption(), "Zorbin eBook Compiler - v1.0");
    EXPECT_EQ(form->PageControl1->ActivePageIndex(), 1);
    Open(dir / "project.zbp");
    EXPECT_EQ(form->Caption(), "Zorbin eBook Compiler - v1.0  [project.zbp]");
    EXPECT_EQ(form->Vcompile_file->Text(), "eBook.exe");
    EXPECT_EQ(form->vOnStart->Text(), "Your Message Here...\r\n");
    EXPECT_FALSE(form->vOnStart->Enabled());
    EXPECT_EQ(Flags(), "111111111010100");
    EXPECT_EQ(form->PageControl1->ActivePageIndex(), 1);
}

TEST_F(ProjectFilesTest, EveryFieldAndBoxSurvivesSaveAndOpen) {
    TempDir site;
    site.Write("index.html", "i");
    site.Write("sub/p.htm", "p");
    form->vproject_dir->SetText(site.path());
    form->vproject_homefile->SetText("sub/p.htm");
    const std::pair<TEdit*, const char*> texts[] = {
        {form->vproject_title, "T"}, {form->vEnumber, "9"}, {form->vauthor, "Ann"}, {form->vemail, "a@x.example"},
        {form->vweb, "http://x.example"}, {form->vabout, "one\r\ntwo"}, {form->vSave_dir, "/books/"},
        {form->Vcompile_file, "mine.exe"}};
    for (auto [field, text] : texts) field->SetText(text);
    form->vShowStart->SetChecked(true);
    form->vOnStart->SetText("Hi\r\n");
    form->vOnClose->SetText("Bye, kept though hidden\r\n");
    form->vUse_pass->SetChecked(true);
    form->vpass->SetText("pw");
    form->vDisable_menu->SetChecked(false);
    form->CheckBox1->SetChecked(false);
    form->vT2->SetChecked(false);
    const std::string flags = Flags();

    SaveAndReopen();
    for (auto [field, text] : texts) EXPECT_EQ(field->Text(), text) << field->Name();
    EXPECT_EQ(form->vproject_dir->Text(), site.path());
    EXPECT_EQ(form->vproject_homefile->Text(), "sub/p.htm");
    EXPECT_EQ(form->vOnStart->Text(), "Hi\r\n");
    EXPECT_TRUE(form->vOnStart->Enabled());
    EXPECT_EQ(form->vOnClose->Text(), "Bye, kept though hidden\r\n");
    EXPECT_FALSE(form->vOnClose->Enabled());
    EXPECT_TRUE(form->vUse_pass->Checked());
    EXPECT_TRUE(form->GroupBox3->Visible());
    EXPECT_EQ(form->vpass->Text(), "pw");
    EXPECT_FALSE(form->BWFileFinder1.InSubFolders);
    EXPECT_EQ(form->vProject_files->Items(), std::vector<std::string>{"index.html"});
    EXPECT_EQ(Flags(), flags);
}

TEST_F(ProjectFilesTest, DisablePrintReopensWithPrintUnchecked) {
    form->vDisable_print->SetChecked(true);
    SaveAndReopen();
    EXPECT_TRUE(form->vDisable_print->Checked());
    EXPECT_FALSE(form->vT7->Checked());
    EXPECT_FALSE(form->vT7->Enabled());
}

TEST_F(ProjectFilesTest, EmptyPasswordReopensUnchecked) {
    form->vUse_pass->SetChecked(true);
    SaveAndReopen();
    EXPECT_FALSE(form->vUse_pass->Checked());
    EXPECT_FALSE(form->GroupBox3->Visible());
}

TEST_F(ProjectFilesTest, SecondSaveOverwritesWithoutADialogAndNewAsksAgain) {
    Save(dir / "old.ZBP");
    EXPECT_EQ(ProjectFileName(), dir / "old.ZBP.zbp");
    form->vauthor->SetText("changed");
    form->SpeedButton13->Click();
    EXPECT_EQ(dialogs->fileRequests.size(), 1u);
    EXPECT_EQ(ListBlocks(ReadFile(dir / "old.ZBP.zbp"))[2].second, "changed");
    form->SpeedButton1->Click();
    form->SpeedButton13->Click();  // asks, and is cancelled
    EXPECT_EQ(dialogs->fileRequests.size(), 2u);
    EXPECT_EQ(ProjectFileName(), "");
}

TEST_F(ProjectFilesTest, EmptyFileOpensWithEveryTextEmpty) {
    Open(dir.Write("empty.zbp", ""));
    EXPECT_EQ(form->Vcompile_file->Text(), "");
    EXPECT_EQ(form->vOnStart->Text(), "");
    EXPECT_EQ(form->vOnClose->Text(), "");
    EXPECT_EQ(Flags(), "111111111010100");
    for (TCheckBox* choice : {form->vSearchIndex, form->vShowContents, form->vReopen})
        EXPECT_TRUE(choice->Checked()) << choice->Name() << ": a project from before it has it";
    EXPECT_EQ(form->Caption(), "Zorbin eBook Compiler - v1.0  [empty.zbp]");
}

TEST_F(ProjectFilesTest, MissingProjectDirectoryIsShownAndReported) {
    form->vproject_dir->SetText(dir / "gone");
    SaveAndReopen();
    EXPECT_EQ(form->vproject_dir->Text(), dir / "gone");
    EXPECT_TRUE(form->vProject_files->Items().empty());
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "The project directory " + (dir / "gone") + " does not exist.");
}

TEST_F(ProjectFilesTest, FileThatCannotBeOpenedLeavesAnEmptyProjectUnderThatName) {
    form->vauthor->SetText("dropped");
    Open(dir / "missing.zbp");
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "Cannot open file " + (dir / "missing.zbp") + ".");
    EXPECT_EQ(form->vauthor->Text(), "");
    EXPECT_EQ(form->Caption(), "Zorbin eBook Compiler - v1.0");
    form->SpeedButton13->Click();
    EXPECT_EQ(dialogs->fileRequests.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir / "missing.zbp"));
}

TEST_F(ProjectFilesTest, CancelledOpenKeepsTheProjectAndShowsTheFirstPage) {
    Save(dir / "kept");
    form->vauthor->SetText("still here");
    form->SpeedButton12->Click();
    EXPECT_EQ(form->vauthor->Text(), "still here");
    EXPECT_EQ(form->Caption(), "Zorbin eBook Compiler - v1.0  [kept.zbp]");
    EXPECT_EQ(form->PageControl1->ActivePageIndex(), 1);
}

TEST_F(ProjectFilesTest, DamagedBlockShowsTheDecompressionError) {
    std::string file;
    SimExe::AppendBlock("cproject_dir", "not zlib", file);
    Open(dir.Write("damaged.zbp", file));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "data error.");
}

namespace {

// The keys in the order Open Project reads them.
const char* const kKeysRead[] = {"cproject_dir", "csave_dir", "ccompile_file", "ctoolbar", "cpass",
                                 "cOnStart",     "cOnClose",  "chome",         "cproject", "cenumber",
                                 "cauthor",      "cemail",    "cweb",          "cabout",   "csearch_index", "ccontents",
                                 "creopen",      "cidentity"};

// A saved project with every key, damaged in many ways and opened again.
class DamagedProjectTest : public ProjectFilesTest {
protected:
    void SetUp() override {
        ProjectFilesTest::SetUp();
        form->vproject_dir->SetText(dir.Mkdir("site"));
        form->vSave_dir->SetText(dir.path());
        for (TEdit* e : {form->vproject_title, form->vEnumber, form->vauthor, form->vemail, form->vweb})
            e->SetText("value of " + e->Name());
        form->vabout->SetText("about");
        form->vUse_pass->SetChecked(true);
        form->vpass->SetText("pw");
        Save(dir / "full");
        saved = ReadFile(dir / "full.zbp");
        for (const char* key : kKeysRead) {
            auto payload = SimExe::FindBlock(saved, key);
            ASSERT_TRUE(payload) << key;
            const std::size_t begin = static_cast<std::size_t>(payload->data() - saved.data());
            const std::size_t end = begin + payload->size(), after = end + SimExe::EndMarker(key).size();
            // A block whose end marker is lost ends at the next end marker that begins with it.
            blocks.push_back({begin, after, saved.find(SimExe::EndMarker(key), after) != std::string::npos ? end : after});
        }
    }
    // Opens the bytes as a project; returns the error shown, if any.
    std::optional<std::string> OpenBytes(const std::string& bytes) {
        dialogs->messages.clear();
        Open(dir.Write("damaged.zbp", bytes));
        if (dialogs->messages.empty()) return std::nullopt;
        EXPECT_EQ(dialogs->messages.size(), 1u);
        return dialogs->messages[0].text;
    }
    // Where each block lies, in the order the keys are read: its payload, the
    // end of its end marker, and where the part ends that no damage may touch.
    struct Block {
        std::size_t payload, after, vital;
    };
    std::string saved;
    std::vector<Block> blocks;
};

}  // namespace

TEST_F(DamagedProjectTest, CutAtEveryLengthOpensWhatIsWholeOrShowsTheError) {
    for (std::size_t length = 0; length < saved.size(); ++length) {
        // The first key read whose block is cut after its start marker stops the open.
        bool cut = false;
        for (const Block& b : blocks) cut = cut || (length >= b.payload && length < b.after);
        const std::optional<std::string> error = OpenBytes(saved.substr(0, length));
        EXPECT_EQ(error, cut ? std::optional<std::string>("buffer error.") : std::nullopt) << length;
        const bool titleWhole = length >= blocks[8].after;
        EXPECT_EQ(form->vproject_title->Text(), titleWhole && !cut ? "value of vproject_title" : "") << length;
    }
}

TEST_F(DamagedProjectTest, FlippedByteAnywhereShowsTheErrorOrDropsTheKey) {
    for (std::size_t at = 0; at < saved.size(); ++at) {
        std::string bytes = saved;
        bytes[at] = static_cast<char>(~bytes[at]);
        bool damaged = false;
        for (const Block& b : blocks) damaged = damaged || (at >= b.payload && at < b.vital);
        const std::optional<std::string> error = OpenBytes(bytes);
        if (damaged) {
            ASSERT_TRUE(error) << at;
            EXPECT_TRUE(*error == "data error." || *error == "buffer error.") << at << ": " << *error;
            EXPECT_EQ(form->vauthor->Text(), "") << at;
        } else {
            EXPECT_EQ(error, std::nullopt) << at;
        }
    }
}

TEST_F(DamagedProjectTest, ValueThatWouldInflatePastTheLimitShowsTheError) {
    ZLibEx::SetOutputLimit(1 << 20);
    std::string bytes;
    SimExe::AppendBlock("cproject_dir", ZeroBomb(1 << 20), bytes);
    EXPECT_EQ(OpenBytes(bytes), "insufficient memory.");
    EXPECT_EQ(dialogs->messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(form->vproject_dir->Text(), "");
    ZLibEx::SetOutputLimit(0);
}

TEST_F(ProjectFilesTest, SaveFailingAtAnyFileCallKeepsThePreviousFile) {
    Save(dir / "project");
    const std::string previous = ReadFile(dir / "project.zbp");
    form->vauthor->SetText("changed");
    form->SpeedButton13->Click();
    const std::string saved = ReadFile(dir / "project.zbp");
    ASSERT_NE(saved, previous);

    std::size_t shown = 0;
    const int calls = FailEachCallInTurn(
        EIO,
        [&] {
            dir.Write("project.zbp", previous);
            ::chmod((dir / "project.zbp").c_str(), 0600);
            shown = dialogs->messages.size();
            form->SpeedButton13->Click();
        },
        [&](bool failed) {
            if (dialogs->messages.size() > shown) {
                EXPECT_EQ(dialogs->messages.back().text, "Cannot create file project.zbp.");
                EXPECT_EQ(ReadFile(dir / "project.zbp"), previous);
            } else {
                EXPECT_EQ(ReadFile(dir / "project.zbp"), saved) << "reported as saved";
                struct stat st;
                EXPECT_TRUE(::stat((dir / "project.zbp").c_str(), &st) == 0 && (st.st_mode & 07777) == 0600)
                    << "the saved file lost its mode";
            }
            if (!failed) {
                EXPECT_EQ(dialogs->messages.size(), shown);
            }
            EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"project.zbp"});
        });
    EXPECT_GE(calls, 8);
    EXPECT_EQ(dialogs->fileRequests.size(), 1u);
}

TEST_F(ProjectFilesTest, TheSearchIndexContentsAndReopenChoicesComeBack) {
    for (TCheckBox* choice : {form->vSearchIndex, form->vShowContents, form->vReopen}) {
        EXPECT_TRUE(choice->Checked()) << "on by default";
        choice->SetChecked(false);
        SaveAndReopen();
        EXPECT_FALSE(choice->Checked());
        form->SpeedButton1->Click();
        EXPECT_TRUE(choice->Checked()) << "a new project starts with it on";
    }
}

// A project's eBooks keep the identity they had when it was first saved
// with its folder, whatever becomes of its title; a project's own identity
// wins, and one that is none is dropped.
TEST_F(ProjectFilesTest, AProjectKeepsTheIdentityItsEBooksHadWhenFirstSaved) {
    const std::string unnamed = form->BookIdentity();
    Save(dir / "project");
    EXPECT_FALSE(SimExe::FindBlock(ReadFile(dir / "project.zbp"), "cidentity")) << "no folder yet";
    form->vproject_dir->SetText(dir.Mkdir("site"));
    form->vproject_title->SetText("Tea");
    const std::string tea = form->BookIdentity();
    EXPECT_NE(tea, unnamed);
    form->SpeedButton13->Click();
    form->vproject_title->SetText("Green Tea");
    EXPECT_EQ(form->BookIdentity(), tea);
    form->SpeedButton13->Click();
    form->SpeedButton1->Click();
    EXPECT_EQ(form->BookIdentity(), unnamed) << "a new project has none of its own";
    Open(dir / "project.zbp");
    EXPECT_EQ(form->vproject_title->Text(), "Green Tea");
    EXPECT_EQ(form->BookIdentity(), tea);

    const std::string saved = ReadFile(dir / "project.zbp"), own = "00112233445566778899aabbccddeeff";
    for (const auto& [stored, used] : {std::pair{own, own}, {"00112233445566778899AABBCCDDEEFF", tea}}) {
        std::string edited = saved.substr(0, saved.find(SimExe::StartMarker("cidentity")));
        SimExe::AppendBlock("cidentity", ZLibEx::CompressString(stored, ZLibEx::lvDefault), edited);
        Open(dir.Write("edited.zbp", edited));
        form->vproject_title->SetText("Tea");  // as when its identity was derived
        EXPECT_EQ(form->BookIdentity(), used) << stored;
    }
}
