// Project files: the settings blocks saved as a ".zbp" file and read back
// into the window's controls.
#include "BookIdentity.h"
#include "SettingKeys.h"
#include "SimExe.h"
#include "compilerUnit1.h"

namespace compiler {

namespace {

const char* const kProjectFilter = "Application (*.zbp)|*.zbp";

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
    if (!vShowStart->Checked()) SimExe::AddStringBlock(SimExe::kStartMessageKey, vOnStart->Text());
    if (!vShowClose->Checked()) SimExe::AddStringBlock(SimExe::kCloseMessageKey, vOnClose->Text());
    const std::pair<const char*, TEdit*> places[] = {{SimExe::kProjectFolderKey, vproject_dir},
                                                     {SimExe::kOutputFolderKey, vSave_dir},
                                                     {SimExe::kOutputFileKey, Vcompile_file}};
    for (const auto& [key, field] : places)
        if (!field->Text().empty()) SimExe::AddStringBlock(key, field->Text());
    SimExe::AddStringBlock(SimExe::kSearchIndexKey, vSearchIndex->Checked() ? "1" : "0");
    SimExe::AddStringBlock(SimExe::kContentsKey, vShowContents->Checked() ? "1" : "0");
    SimExe::AddStringBlock(SimExe::kReopenKey, vReopen->Checked() ? "1" : "0");
    // From its first save with a folder on, the project keeps the identity
    // its eBooks have now, whatever its title becomes. Before it names its
    // folder it is no book yet, and all such projects would share one.
    if (projectIdentity_.empty() && !vproject_dir->Text().empty()) projectIdentity_ = BookIdentity();
    if (!projectIdentity_.empty()) SimExe::AddStringBlock(SimExe::kIdentityKey, projectIdentity_);
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

        // Every key is read, in this order, before any field changes: the
        // first damaged block stops the open. The toolbar's goes to its flags.
        const std::pair<const char*, TEdit*> fields[] = {
            {SimExe::kProjectFolderKey, vproject_dir}, {SimExe::kOutputFolderKey, vSave_dir},
            {SimExe::kOutputFileKey, Vcompile_file},   {SimExe::kToolbarKey, nullptr},
            {SimExe::kPasswordKey, vpass},             {SimExe::kStartMessageKey, vOnStart},
            {SimExe::kCloseMessageKey, vOnClose},      {SimExe::kFirstPageKey, vproject_homefile},
            {SimExe::kTitleKey, vproject_title},       {SimExe::kBookNumberKey, vEnumber},
            {SimExe::kAuthorKey, vauthor},             {SimExe::kEmailKey, vemail},
            {SimExe::kWebAddressKey, vweb},            {SimExe::kAboutKey, vabout}};
        std::string values[std::size(fields)];
        for (std::size_t i = 0; i < std::size(fields); ++i)
            SimExe::ReadBlock(fields[i].first, fields[i].second ? values[i] : ToolbarFlags());
        // Projects saved before the search index, the contents or reopening
        // existed get them, as new ones do; and until their first save,
        // derived identities.
        std::string searchIndex, showContents, reopen, identity;
        SimExe::ReadBlock(SimExe::kSearchIndexKey, searchIndex);
        SimExe::ReadBlock(SimExe::kContentsKey, showContents);
        SimExe::ReadBlock(SimExe::kReopenKey, reopen);
        SimExe::ReadBlock(SimExe::kIdentityKey, identity);
        for (std::size_t i = 0; i < std::size(fields); ++i)
            if (fields[i].second) fields[i].second->SetText(values[i]);

        const std::string& flags = ToolbarFlags();
        if (!flags.empty()) {
            TCheckBox* const boxes[15] = {vT1, vT2, vT3, vT4, vT5, vT6, vT7, vT8, vT9, nullptr,
                                          vDisable_menu, vDisable_print, CheckBox1, vShowStart, vShowClose};
            for (std::size_t p = 0; p < 15; ++p)
                if (boxes[p]) boxes[p]->SetChecked(p < flags.size() && flags[p] == '1');
        }
        if (!vpass->Text().empty()) {
            const std::string password = vpass->Text();
            vUse_pass->SetChecked(true);  // which empties the password field
            GroupBox3->SetVisible(true);
            vpass->SetText(password);
        }
        vSearchIndex->SetChecked(searchIndex != "0");
        vShowContents->SetChecked(showContents != "0");
        vReopen->SetChecked(reopen != "0");
        // One that is no identity (edited by hand) is dropped: the compile derives one, and the save keeps that.
        if (book::IsIdentity(identity)) projectIdentity_ = identity;
        if (vShowStart->Checked()) vOnStart->SetEnabled(true);
        if (vShowClose->Checked()) vOnClose->SetEnabled(true);
        if (!vproject_dir->Text().empty()) search_files();
    }
    ShowProjectCaption();
    PageControl1->SetActivePageIndex(1);
}

}  // namespace compiler
