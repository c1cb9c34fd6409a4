// The compile: the viewer taken from the compiler's own file, the settings
// blocks and one compressed page block per listed file, written as one
// executable eBook.
#include "BookInspection.h"
#include "PageCompressor.h"
#include "SimExe.h"
#include "compilerUnit1.h"

#include <filesystem>

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
    std::string settingsBlocks;
};

std::string ValidationErrors(const TForm1& f) {
    std::string error;
    if (f.Vcompile_file->Text().empty()) error = "Please fill Output File Name";
    if (f.vproject_dir->Text().empty()) error = "Please select the project directory. ";
    if (f.vproject_homefile->Text().empty()) error += "Please set the home page. ";
    if (f.vProject_files->Items().empty()) error += "0 files in selected directory";
    return error;
}

}  // namespace

std::string TForm1::SettingsBlocks() {
    SimExe::TBlockStore& store = SimExe::BlockStore();
    std::string kept = store.Take();
    SaveSettings();
    std::string blocks = store.Take();
    store = std::move(kept);
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
    const CompileInputs in{Vcompile_file->Text(), vSave_dir->Text(), vproject_dir->Text(), vProject_files->Items(),
                           SettingsBlocks()};

    // Page files are read as the file layer reads them, relative to the
    // compiler's folder. Their compression starts at once, on workers, and
    // goes on through the pauses and checks below.
    const std::string readFolder = SimExe::ExecutableFolder();
    std::vector<std::string> paths;
    std::uintmax_t sourceBytes = 0;
    std::error_code ignored;
    for (const std::string& file : in.files) {
        paths.push_back(in.projectDir + "/" + file);
        const std::string& path = paths.back();
        const std::uintmax_t size = std::filesystem::file_size(path[0] == '/' ? path : readFolder + "/" + path, ignored);
        if (size != static_cast<std::uintmax_t>(-1)) sourceBytes += size;
    }
    PageCompressor pages(std::move(paths), 0, readFolder);

    cStatus->SetCaption(kStatusTesting);
    ProgressBar1->SetMax(static_cast<int>(in.files.size()));
    SimExe::Delay(100);

    SimExe::TBlockStore& store = SimExe::BlockStore();
    const std::string compilerFile = SimExe::OwnImagePath();
    std::string viewer;
    SimExe::ExtractBlockFromFile(kViewerBlock, compilerFile, viewer);
    store = std::move(viewer);
    if (store.empty())
        throw std::runtime_error("The compiler's own file " + compilerFile +
                                 " carries no viewer program; it cannot make an eBook");
    // The eBook is written once it is complete; here it is only checked
    // that the output can be created, so a failure leaves no bare viewer.
    SimExe::CheckCanCreate(in.outputFile, in.outputFolder);

    cStatus->SetCaption(kStatusWorking);
    store += in.settingsBlocks;
    SimExe::Delay(100);
    // Room for the eBook up front: compressed pages are rarely larger than
    // their files, and pages never written to are never resident.
    store.reserve(store.size() + static_cast<std::size_t>(sourceBytes + sourceBytes / 16) + (in.files.size() << 9));
    const auto keepRepainting = [] { Application().ProcessMessages(); };
    for (std::size_t i = 0; i < in.files.size(); ++i) {
        SimExe::AppendBlock(in.files[i], pages.Take(i, keepRepainting), store);
        ProgressBar1->SetPosition(static_cast<int>(i + 1));
        Application().ProcessMessages();
    }
    SimExe::SaveStringToFile(store.View(), in.outputFile, in.outputFolder, true);
    cStatus->SetCaption(kStatusDone);
    runeBook->SetVisible(true);
}

}  // namespace compiler
