// The compile: the viewer taken from the compiler's own file, the settings
// blocks and one compressed page block per listed file (with the access
// index of a chunked one), written as one executable eBook as they are made.
#include "AccessIndex.h"
#include "BookIdentity.h"
#include "BookInspection.h"
#include "BookProtection.h"
#include "ChunkedBlockMaker.h"
#include "ContentsBuilder.h"
#include "IndexBuilder.h"
#include "IndexDatabase.h"
#include "PageCompressor.h"
#include "SimExe.h"
#include "ZLibEx.h"
#include "compilerUnit1.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>

namespace compiler {

const char* const kStatusTesting = "Testing Integrity... Please Wait";
const char* const kStatusWorking = "Working... Please Wait";
const char* const kStatusDone = "eBook Sucessfully Created";

namespace {

// Everything the compile reads from the window, taken once at the press so
// that edits made while it runs change nothing.
struct CompileInputs {
    std::string outputFile, outputFolder, projectDir;
    std::vector<std::string> files;
    std::optional<BookProtection> protection;  // of a book with a password
    std::string settingsBlocks;
    bool searchIndex = true;
    bool contents = true;  // the eBook shows its table of contents
    bool reopen = true;    // the eBook reopens where its reader left off
    std::string identity;
    std::string firstPage;
};

// The progress bar counts a file's chunks, so that it moves within a large
// file too: the units done before each file, and all units at the end. A
// file whose size cannot be read counts as one; the search index, when
// there is one, counts as one more at the end.
std::vector<std::uint64_t> ProgressMarks(const std::vector<std::string>& paths, const PageCompressor::Options& options) {
    std::vector<std::uint64_t> marks{0};
    for (const std::string& path : paths) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(SimExe::PathAgainst(path, options.folder), error);
        marks.push_back(marks.back() + (error ? 1 : options.ChunksOf(size)));
    }
    return marks;
}

// The threads that compress the pages: one per core, unless the environment
// names a number of them (ZORBIN_THREADS, from 1 to 256). The eBook's bytes
// are the same for any number.
unsigned WorkerThreads() {
    const char* given = std::getenv("ZORBIN_THREADS");
    if (!given) return 0;
    char* end = nullptr;
    const long threads = std::strtol(given, &end, 10);
    return *given && !*end && threads >= 1 && threads <= 256 ? static_cast<unsigned>(threads) : 0;
}

int ProgressPosition(std::uint64_t units) {
    return static_cast<int>(std::min<std::uint64_t>(units, std::numeric_limits<int>::max()));
}

std::string ValidationErrors(const TForm1& f) {
    std::string error;
    if (f.Vcompile_file->Text().empty()) error = "Please fill Output File Name";
    if (f.vproject_dir->Text().empty()) error = "Please select the project directory. ";
    if (f.vproject_homefile->Text().empty()) error += "Please set the home page. ";
    if (f.vProject_files->Items().empty()) error += "0 files in selected directory";
    return error;
}

}  // namespace

std::string TForm1::SettingsBlocks(const BookProtection* protection) {
    std::string blocks;
    WriteSettings([&](const std::string& key, const std::string& value) {
        const std::string payload = ZLibEx::CompressString(value, ZLibEx::lvDefault);
        SimExe::AppendBlock(key, protection ? ProtectedSetting(*protection, key, payload) : payload, blocks);
    });
    return blocks;
}

void TForm1::SpeedButton14Click(TObject&) {
    if (busy_) return;
    BusyScope scope(busy_);
    runeBook->SetVisible(false);
    if (std::string error = ValidationErrors(*this); !error.empty()) {
        Application().MessageBox("Error: " + error);
        return;
    }
    if (OutputFileExt(Vcompile_file->Text()) != ".exe") Vcompile_file->SetText(Vcompile_file->Text() + ".exe");
    // The store is to hold the new eBook once it is written; what it holds
    // now (a previous eBook, mapped) goes first, so that nothing copies it.
    SimExe::BlockStore().clear();
    CompileInputs in;
    in.outputFile = Vcompile_file->Text();
    in.outputFolder = vSave_dir->Text();
    in.projectDir = vproject_dir->Text();
    in.files = vProject_files->Items();
    in.searchIndex = vSearchIndex->Checked();
    in.contents = vShowContents->Checked();
    in.reopen = vReopen->Checked();
    in.identity = BookIdentity();
    in.firstPage = vproject_homefile->Text();
    compileNotes_.clear();
    if (vUse_pass->Checked())
        in.protection = ProtectBook(vpass->Text(), vproject_title->Text(), in.files,
                                    SimExe::PathAgainst(in.projectDir, SimExe::ExecutableFolder()));
    const BookProtection* const protection = in.protection ? &*in.protection : nullptr;
    in.settingsBlocks = SettingsBlocks(protection);

    // The index is built beside the pages, from the start, from words the
    // workers make ahead of compressing.
    const std::optional<SimExe::SealedBlock> indexSeal =
        protection ? std::optional<SimExe::SealedBlock>(protection->As(search::kIndexBlockName)) : std::nullopt;
    std::optional<IndexBuilder> index;
    if (in.searchIndex) index.emplace(indexSeal ? &*indexSeal : nullptr);

    // Page files are read as the file layer reads them, relative to the
    // compiler's folder. Their compression starts at once, on workers, and
    // goes on through the pauses and checks below.
    PageCompressor::Options options;
    options.folder = SimExe::ExecutableFolder();
    options.threads = WorkerThreads();
    if (index) {
        options.pageWords = [&](std::size_t file, search::PageWords words, std::uint64_t size) {
            index->Add(in.files[file], std::move(words), size);
        };
        options.wordsDone = [&] { index->EndPages(); };
    }
    std::vector<std::string> paths;
    for (const std::string& file : in.files) paths.push_back(in.projectDir + "/" + file);
    PageCompressor pages(paths, options);
    std::optional<ContentsBuilder> contents;
    if (in.contents) contents.emplace(in.files, in.firstPage, SimExe::PathAgainst(in.projectDir, options.folder));
    // Measured while the workers already compress.
    std::vector<std::uint64_t> progressAt = ProgressMarks(paths, options);
    if (in.searchIndex) progressAt.push_back(progressAt.back() + 1);

    cStatus->SetCaption(kStatusTesting);
    ProgressBar1->SetMax(ProgressPosition(progressAt.back()));
    SimExe::Delay(100);

    const std::string compilerFile = SimExe::OwnImagePath();
    std::string viewer;
    SimExe::ExtractBlockFromFile(kViewerBlock, compilerFile, viewer);
    if (viewer.empty())
        throw std::runtime_error("The compiler's own file " + compilerFile +
                                 " carries no viewer program; it cannot make an eBook");
    // The eBook is written as it is made, into a file that takes the
    // output's place only once it is complete: a failure leaves the
    // previous eBook as it was, and no bare viewer.
    SimExe::TFileWriter ebook(in.outputFile, in.outputFolder, true);

    cStatus->SetCaption(kStatusWorking);
    ebook.Write(viewer);
    ebook.Write(in.settingsBlocks);
    // A block of our own, compressed as a setting is.
    const auto writeOwnBlock = [&](const std::string& name, const std::string& content) {
        ebook.WriteBlock(name, SealedPayload(protection, name, ZLibEx::CompressString(content, ZLibEx::lvDefault)));
    };
    // Before the pages, where the viewer finds them at once in a book of any size.
    writeOwnBlock(book::kIdentityBlockName, in.identity);
    writeOwnBlock(book::kReopenBlockName, in.reopen ? "1" : "0");
    SimExe::Delay(100);
    const auto writeAccessIndex = [&](const std::string& name, const SimExe::AccessIndex& index) {
        writeOwnBlock(SimExe::AccessIndexName(name), SimExe::EncodeAccessIndex(index));
    };
    for (std::size_t i = 0; i < in.files.size(); ++i) {
        std::uint64_t unitsDone = progressAt[i];
        const PageCompressor::PageSink sink{
            [&](std::string_view piece) { ebook.Write(piece); },
            [&] {
                ProgressBar1->SetPosition(ProgressPosition(std::min(++unitsDone, progressAt[i + 1])));
                Application().ProcessMessages();
            },
            [] { Application().ProcessMessages(); }};
        ebook.Write(SimExe::StartMarker(in.files[i]));
        const std::optional<SimExe::SealedBlock> sealed =
            protection ? std::optional<SimExe::SealedBlock>(protection->As(in.files[i])) : std::nullopt;
        PageCompressor::TakenPage page = pages.TakePage(i, sink, sealed ? &*sealed : nullptr);
        ebook.Write(SimExe::EndMarker(in.files[i]));
        if (page.accessIndex) writeAccessIndex(in.files[i], *page.accessIndex);
        ProgressBar1->SetPosition(ProgressPosition(progressAt[i + 1]));
        Application().ProcessMessages();
    }
    if (index) pages.AwaitWords([] { Application().ProcessMessages(); });
    if (const std::optional<SimExe::ChunkedBlock> block = index ? index->Finish() : std::nullopt) {
        ebook.WriteBlock(search::kIndexBlockName, block->payload);
        writeAccessIndex(search::kIndexBlockName, block->index);
    }
    if (contents) {
        const contents::Found found = contents->Finish();
        for (const std::string& problem : found.problems)
            compileNotes_.push_back("contents: " + problem + "; the next source was tried");
        cStatus->SetCaption(ContentsSummary(found.contents));
        Application().ProcessMessages();
        if (!contents->Payload().empty()) {
            const std::string name = contents::kContentsBlockName;
            ebook.WriteBlock(name, SealedPayload(protection, name, contents->Payload()));
        }
    }
    ProgressBar1->SetPosition(ProgressPosition(progressAt.back()));
    ebook.CommitToBlockStore();
    cStatus->SetCaption(kStatusDone);
    runeBook->SetVisible(true);
}

}  // namespace compiler
