// The compile through the window: validation, the eBook's layout, large
// files, reruns, failures that must leave the previous eBook alone, memory
// that stays bounded, and the busy guard.
#include "AccessIndex.h"
#include "BlockList.h"
#include "Chunks.h"
#include "CompileFixture.h"
#include "CompilerWindowFixture.h"
#include "FailingCall.h"
#include "SearchIndex.h"
#include "TempDir.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace compiler;
using Blocks = std::vector<std::pair<std::string, std::string>>;

TEST_F(CompileTest, ValidationMessagesReplaceThenExtend) {
    form->Vcompile_file->SetText("");
    form->SpeedButton14->Click();
    form->vproject_dir->SetText(site.path());
    form->vproject_homefile->SetText("index.htm");
    form->SpeedButton28->Click();  // scan, keeping nothing but the file list
    form->vproject_homefile->SetText("index.htm");
    form->SpeedButton14->Click();
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "Error: Please select the project directory. Please set the home page. 0 files in "
                            "selected directory",
                            "Error: Please fill Output File Name"}));
    EXPECT_FALSE(form->runeBook->Visible());
    EXPECT_EQ(form->cStatus->Caption(), "Idle");
    EXPECT_TRUE(SimExe::BlockStore().empty());
}

TEST_F(CompileTest, EBookIsTheViewerThenSettingsThenPagesInListOrder) {
    Prepare();
    form->Vcompile_file->SetText("book");
    form->SpeedButton14->Click();
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages[0].text;
    EXPECT_EQ(form->Vcompile_file->Text(), "book.exe");
    const std::string ebook = Output("book.exe");
    EXPECT_EQ(ebook.substr(0, viewer.size()), viewer);
    Blocks blocks = ListBlocks(ebook);
    ASSERT_GE(blocks.size(), 2u);
    const auto [accessName, access] = blocks.back();
    blocks.pop_back();
    const auto [indexName, image] = blocks.back();
    blocks.pop_back();
    EXPECT_EQ(accessName, SimExe::FoldName(SimExe::AccessIndexName("/zorbin/search"))) << "read in chunks where it lies";
    EXPECT_EQ(blocks, (Blocks{{"CTOOLBAR", "111111111010100"}, {"CHOME", "index.htm"},
                              {"/ZORBIN/IDENTITY", form->BookIdentity()}, {"/ZORBIN/REOPEN", "1"},
                              {"INDEX.HTM", "<html>home</html>"}, {"IMAGES/A.GIF", std::string("GIF89a\0\x01", 8)}}));
    EXPECT_EQ(indexName, "/ZORBIN/SEARCH") << "the search index comes last, with its access index";
    const search::SearchIndex index(image);
    EXPECT_EQ(index.Pages(), 1u) << "the page, not the picture";
    EXPECT_EQ(index.Find(search::ParseQuery("home"), 5).hits[0].pageName, "index.htm");
    EXPECT_EQ(ebook, SimExe::BlockStore().View());
    EXPECT_EQ(form->cStatus->Caption(), "eBook Sucessfully Created");
    EXPECT_TRUE(form->runeBook->Visible());
    EXPECT_EQ(form->ProgressBar1->Max(), 3) << "two files and the index";
    EXPECT_EQ(form->ProgressBar1->Position(), 3);
    struct stat st;
    ASSERT_EQ(::stat((out / "book.exe").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
}

TEST_F(CompileTest, LargeFileIsChunkedWithItsIndexAndMovesTheProgressBar) {
    // Six chunks of the default size, above the default threshold.
    std::string film(6u << 20, '\0');
    for (std::size_t i = 0; i < film.size(); i += 4096) film.replace(i, 8, std::to_string(10000000 + i / 4096));
    site.Write("film.webm", film);
    Prepare();
    std::vector<int> positions;
    form->ProgressBar1->Observer = [&](toolkit::Prop p) {
        if (p == toolkit::Prop::Position) positions.push_back(form->ProgressBar1->Position());
    };
    form->SpeedButton14->Click();
    form->ProgressBar1->Observer = nullptr;
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages[0].text;
    EXPECT_EQ(form->ProgressBar1->Max(), 9);
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}))
        << "one step for each chunk and small file, and one for the index";

    const std::string ebook = Output();
    EXPECT_TRUE(ebook == SimExe::BlockStore().View());
    const Blocks blocks = ListBlocks(ebook, false);
    const auto page = std::find_if(blocks.begin(), blocks.end(), [](const auto& b) { return b.first == "FILM.WEBM"; });
    ASSERT_NE(page, blocks.end());
    ASSERT_NE(page + 1, blocks.end());
    EXPECT_EQ(page[1].first, SimExe::FoldName(SimExe::AccessIndexName("film.webm")));
    EXPECT_TRUE(ZLibEx::DecompressString(page->second) == film);
    const auto index = SimExe::DecodeAccessIndex(ZLibEx::DecompressString(page[1].second), page->second.size());
    ASSERT_TRUE(index);
    EXPECT_EQ(index->chunks.size(), 6u);
    const std::string accessIndexes = SimExe::FoldName(SimExe::AccessIndexName(""));
    EXPECT_EQ(std::count_if(blocks.begin(), blocks.end(),
                            [&](const auto& b) { return b.first.rfind(accessIndexes, 0) == 0; }),
              2)
        << "small files have no access index; the film and the search index have";
}

namespace {

// The address space the process holds now, in bytes.
std::uint64_t AddressSpace() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) << 10;
    return 0;
}

}  // namespace

TEST_F(CompileTest, FileSeveralTimesLargerThanTheMemoryAllowedCompiles) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than the limit allows";
#endif
    constexpr std::uint64_t kRoom = 192u << 20;  // address space the compile may add to what the process has
    constexpr std::uint64_t kFileSize = 4 * kRoom;
    const std::string big = site / "big.bin";
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kFileSize)), 0);  // zeros, and no room on the disk
    ::close(fd);
    Prepare();
    const pid_t child = ::fork();
    if (child == 0) {
        rlimit limit;
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = AddressSpace() + kRoom;
        ::setrlimit(RLIMIT_AS, &limit);
        form->SpeedButton14->Click();
        for (const auto& m : dialogs->messages) std::fprintf(stderr, "%s\n", m.text.c_str());
        ::_exit(form->cStatus->Caption() == compiler::kStatusDone ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the compile failed under the limit";

    const std::string ebook = Output();
    const auto payload = SimExe::FindBlock(ebook, "big.bin");
    ASSERT_TRUE(payload);
    bool zeros = true;
    const std::uint64_t size = ZLibEx::InflateStream(
        *payload, [&](std::string_view piece) { zeros = zeros && piece.find_first_not_of('\0') == piece.npos; });
    EXPECT_EQ(size, kFileSize);
    EXPECT_TRUE(zeros);
}

TEST_F(CompileTest, OutputNamesGetExeUnlessTheyEndInExactlyExe) {
    EXPECT_EQ(OutputFileExt("my.book"), ".book");
    EXPECT_EQ(OutputFileExt("dir.v2/book"), "");
    Prepare();
    for (auto [typed, written] : {std::pair<const char*, const char*>{"my.book", "my.book.exe"},
                                  {"BOOK.EXE", "BOOK.EXE.exe"}, {"done.exe", "done.exe"}}) {
        form->Vcompile_file->SetText(typed);
        form->SpeedButton14->Click();
        EXPECT_EQ(form->Vcompile_file->Text(), written);
        EXPECT_TRUE(std::filesystem::exists(out / written)) << written;
    }
}

TEST_F(CompileTest, AnUnchangedProjectCompilesToTheSameBytes) {
    Prepare();
    form->SpeedButton14->Click();
    const std::string first = Output();
    form->SpeedButton14->Click();
    EXPECT_EQ(Output(), first);
}

// A rebuild keeps the eBook's identity, whatever its pages hold; another
// title makes another book.
TEST_F(CompileTest, ARebuildKeepsTheIdentityAndAnotherTitleChangesIt) {
    Prepare();
    const auto identity = [&] {
        form->SpeedButton14->Click();
        const std::string ebook = Output();
        return ZLibEx::DecompressString(std::string(SimExe::FindBlock(ebook, "/zorbin/identity").value_or("")));
    };
    const std::string first = identity();
    site.Write("index.htm", "<html>home, rewritten</html>");
    EXPECT_EQ(identity(), first);
    form->vproject_title->SetText("Coffee");
    EXPECT_NE(identity(), first);
}

TEST_F(CompileTest, UnreadablePageLeavesThePreviousEBookUntouched) {
    Prepare();
    out.Write("eBook.exe", "the previous eBook");
    std::filesystem::remove(site / "images/a.gif");
    form->SpeedButton14->Click();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Cannot open file " + site.path() + "/images/a.gif."});
    EXPECT_EQ(dialogs->messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(Output(), "the previous eBook");
    EXPECT_EQ(form->cStatus->Caption(), "Working... Please Wait");
    EXPECT_FALSE(form->runeBook->Visible());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 1);
}

TEST_F(CompileTest, OutputThatCannotBeCreatedStopsBeforeAnyWork) {
    Prepare();
    form->vSave_dir->SetText(out / "no/such/folder");
    form->SpeedButton14->Click();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Cannot create file eBook.exe."});
    EXPECT_EQ(form->cStatus->Caption(), "Testing Integrity... Please Wait");
    EXPECT_FALSE(form->runeBook->Visible());
}

TEST_F(CompileTest, CompilerWithoutAViewerWritesNothing) {
    SimExe::SetOwnImageFile(work.Write("bare-compiler", "a compiler with no blocks"));
    Prepare();
    form->SpeedButton14->Click();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_NE(dialogs->messages[0].text.find("carries no viewer"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out / "eBook.exe"));
    EXPECT_FALSE(form->runeBook->Visible());
}

TEST_F(CompileTest, EditsAndClicksDuringTheCompileChangeNothing) {
    Prepare();
    form->vproject_title->SetText("Original");
    int pumped = 0;
    SimExe::SetMessagePump([&] {
        ++pumped;
        form->vproject_title->SetText("Edited meanwhile");
        form->Vcompile_file->SetText("other.exe");
        form->SpeedButton14->Click();  // a second compile
        form->SpeedButton1->Click();   // New Project
        form->SpeedButton13->Click();  // Save Project
    });
    form->SpeedButton14->Click();
    SimExe::SetMessagePump([] { toolkit::Application().ProcessMessages(); });
    EXPECT_GT(pumped, 0);
    EXPECT_TRUE(dialogs->fileRequests.empty());
    EXPECT_FALSE(std::filesystem::exists(out / "other.exe"));
    Blocks blocks = ListBlocks(Output());
    ASSERT_GE(blocks.size(), 3u);
    EXPECT_EQ(blocks[2], (std::pair<std::string, std::string>{"CPROJECT", "Original"}));
    EXPECT_EQ(form->vproject_title->Text(), "Edited meanwhile");
}

TEST_F(CompileTest, FailingAtAnyFileCallKeepsThePreviousEBook) {
    std::uint32_t ticks = 0;
    SimExe::SetTickSource([&] { return ticks += 50; });  // the pauses pass at once
    site.Write("film.webm", std::string((5u << 20) + 1, 'f'));  // six chunks, read piece by piece
    Prepare();
    form->SpeedButton14->Click();
    const std::string compiled = Output();
    const std::string previous = "the previous eBook";
    const std::set<std::string> errors{"Cannot create file eBook.exe.",
                                       "Cannot open file " + (work / "zorbin-compiler") + ".",
                                       "Cannot open file " + (site / "index.htm") + ".",
                                       "Cannot open file " + (site / "images/a.gif") + ".",
                                       "Cannot open file " + (site / "film.webm") + "."};
    std::size_t shown = 0;
    const int calls = FailEachCallInTurn(
        EIO,
        [&] {
            out.Write("eBook.exe", previous);
            shown = dialogs->messages.size();
            form->SpeedButton14->Click();
        },
        [&](bool failed) {
            if (dialogs->messages.size() > shown) {
                EXPECT_TRUE(errors.count(dialogs->messages.back().text)) << dialogs->messages.back().text;
                EXPECT_EQ(Output(), previous);
                EXPECT_FALSE(form->runeBook->Visible());
            } else {
                EXPECT_EQ(Output(), compiled) << "reported as compiled";
                EXPECT_TRUE(form->runeBook->Visible());
            }
            if (!failed) {
                EXPECT_EQ(dialogs->messages.size(), shown);
            }
            EXPECT_EQ(NamesIn(out.path()), std::set<std::string>{"eBook.exe"});
        });
    EXPECT_GE(calls, 40);
    SimExe::SetTickSource(nullptr);
}

namespace {

// A tmpfs of the given size over a folder, seen by this test process only
// (it lives in a mount namespace of the process's own); unmounted when
// the object goes. Mounting needs privileges: Problem() then says why not.
class SmallFileSystem {
public:
    SmallFileSystem(const std::string& at, const std::string& size) : at_(at) {
        if (::unshare(CLONE_NEWNS) != 0) {
            problem_ = std::string("no mount namespace of its own: ") + std::strerror(errno);
        } else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                   ::mount("zorbin-test", at.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0) {
            problem_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        }
    }
    ~SmallFileSystem() {
        if (problem_.empty()) ::umount2(at_.c_str(), MNT_DETACH);
    }
    const std::string& Problem() const { return problem_; }

    // Writes a file until the file system has no room left.
    void Fill(const std::string& name) const {
        const int fd = ::open((at_ + "/" + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        const std::string chunk(4096, 'f');
        while (fd >= 0 && ::write(fd, chunk.data(), chunk.size()) > 0) {
        }
        if (fd >= 0) ::close(fd);
    }

private:
    std::string at_, problem_;
};

}  // namespace

TEST_F(CompileTest, CompileIntoAFullFileSystemFailsAndLeavesNothing) {
    SmallFileSystem disk(out.path(), "256k");
    if (!disk.Problem().empty()) GTEST_SKIP() << "a full file system needs a tmpfs mount here, " << disk.Problem();
    disk.Fill("filler");
    Prepare();
    form->SpeedButton14->Click();
    EXPECT_EQ(Errors(), std::vector<std::string>{"Cannot create file eBook.exe."});
    EXPECT_FALSE(form->runeBook->Visible());
    EXPECT_EQ(NamesIn(out.path()), std::set<std::string>{"filler"});
}

TEST_F(CompileTest, DiskFullWhileWritingKeepsThePreviousEBook) {
    Prepare();
    out.Write("eBook.exe", "the previous eBook");
    {
        FailingCall full(1, ENOSPC, FailingCall::KindOf<&FailingCall::Calls::write>());
        form->SpeedButton14->Click();
        EXPECT_TRUE(full.Fired());
    }
    EXPECT_EQ(Errors(), std::vector<std::string>{"Cannot create file eBook.exe."});
    EXPECT_EQ(Output(), "the previous eBook");
    EXPECT_EQ(NamesIn(out.path()), std::set<std::string>{"eBook.exe"});
}
