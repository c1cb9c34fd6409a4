// Project files: the settings blocks saved as a ".zbp" file and read back
// into the window's controls.
#include "SimExe.h"
#include "compilerUnit1.h"

namespace compiler {

namespace {

const char* const kProjectFilter = "Application (*.zbp)|*.zbp";
// Whether a compile of the project builds a search index: "1" or "0".
const char* const kSearchIndexKey = "csearch_index";

std::string FileNamePart(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void TForm1::ShowProjectCaption() {
    SetCaption(std::string(kWindowCaption) + "  [" + FileNamePart(ProjectFileName()) + "]");
}

void TForm1::SpeedButton1Click(TObject&) {
    if (busy_) return;
    BusyScope scope(busy_);
    inicial();
    PageControl1->SetActivePageIndex(1);
}

void TForm1::SpeedButton13Click(TObject&) {
    if (busy_) return;
    BusyScope scope(busy_);
    if (ProjectFileName().empty()) {
        SaveDialog1.Filter = kProjectFilter;
        SaveDialog1.InitialDir = SimExe::ExecutableFolder();
        SaveDialog1.FileName = "";
        if (!SaveDialog1.Execute()) return;
        std::string name = SaveDialog1.FileName;
        if (ExtractFileExt(name) != ".zbp") name += ".zbp";
        ProjectFileName() = name;
    }
    SimExe::BlockStore().clear();
    SaveSettings();
    if (!vShowStart->Checked()) SimExe::AddStringBlock("cOnStart", vOnStart->Text());
    if (!vShowClose->Checked()) SimExe::AddStringBlock("cOnClose", vOnClose->Text());
    const std::pair<const char*, TEdit*> places[] = {
        {"cproject_dir", vproject_dir}, {"csave_dir", vSave_dir}, {"ccompile_file", Vcompile_file}};
    for (const auto& [key, field] : places)
        if (!field->Text().empty()) SimExe::AddStringBlock(key, field->Text());
    SimExe::AddStringBlock(kSearchIndexKey, vSearchIndex->Checked() ? "1" : "0");
    SimExe::SaveStringToFile(SimExe::BlockStore().View(), FileNamePart(ProjectFileName()), FolderPart(ProjectFileName()));
    ShowProjectCaption();
}

void TForm1::SpeedButton12Click(TObject&) {
    if (busy_) return;
    BusyScope scope(busy_);
    OpenDialog1.Filter = kProjectFilter;
    OpenDialog1.InitialDir = SimExe::ExecutableFolder();
    OpenDialog1.FileName = "";
    if (OpenDialog1.Execute()) {
        inicial();
        ProjectFileName() = OpenDialog1.FileName;
        SimExe::BlockStore() = SimExe::LoadFileToString(ProjectFileName());

        const char* const keys[] = {"cproject_dir", "csave_dir", "ccompile_file", "ctoolbar", "cpass",
                                    "cOnStart",     "cOnClose",  "chome",         "cproject", "cenumber",
                                    "cauthor",      "cemail",    "cweb",          "cabout"};
        std::string values[14];
        for (int i = 0; i < 14; ++i) SimExe::ReadBlock(keys[i], i == 3 ? ToolbarFlags() : values[i]);
        // Projects saved before the search index existed get one, as new ones do.
        std::string searchIndex;
        SimExe::ReadBlock(kSearchIndexKey, searchIndex);
        TEdit* const fields[] = {vproject_dir, vSave_dir, Vcompile_file, nullptr, vpass, vOnStart, vOnClose,
                                 vproject_homefile, vproject_title, vEnumber, vauthor, vemail, vweb, vabout};
        for (int i = 0; i < 14; ++i)
            if (fields[i]) fields[i]->SetText(values[i]);

        const std::string& flags = ToolbarFlags();
        if (!flags.empty()) {
            TCheckBox* const boxes[15] = {vT1, vT2, vT3, vT4, vT5, vT6, vT7, vT8, vT9, nullptr,
                                          vDisable_menu, vDisable_print, CheckBox1, vShowStart, vShowClose};
            for (std::size_t p = 0; p < 15; ++p)
                if (boxes[p]) boxes[p]->SetChecked(p < flags.size() && flags[p] == '1');
        }
        if (!vpass->Text().empty()) {
            vUse_pass->SetChecked(true);
            GroupBox3->SetVisible(true);
            vpass->SetText(values[4]);
        }
        vSearchIndex->SetChecked(searchIndex != "0");
        if (vShowStart->Checked()) vOnStart->SetEnabled(true);
        if (vShowClose->Checked()) vOnClose->SetEnabled(true);
        if (!vproject_dir->Text().empty()) search_files();
    }
    ShowProjectCaption();
    PageControl1->SetActivePageIndex(1);
}

}  // namespace compiler
