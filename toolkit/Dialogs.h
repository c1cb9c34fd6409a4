// Dialogs as interfaces: message box, input box, file and folder choosers.
// The binding provides the real ones; ScriptedDialogs answers from a script,
// for tests and for running without a display.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace toolkit {

enum class MessageIcon { None, Error, Information };

// One entry of a filter string such as "Application (*.zbp)|*.zbp":
// a description and its patterns.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};
std::vector<FileFilter> ParseFilter(const std::string& filter);

struct FileDialogRequest {
    bool save = false;
    std::string filter;
    std::string initialDir;
    std::string fileName;
};

struct FolderDialogRequest {
    std::string instruction;  // the text above the folder tree
    std::string statusText;
    bool showStatus = false;
    std::string preselect;    // folder opened first
    std::string root;         // folder the dialog is rooted at; empty: the whole file system
    bool editBox = false;
};

struct FolderChoice {
    std::string path;
    std::string displayName;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void MessageBox(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
    // Returns the entered text, or nothing when cancelled.
    virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& initial, std::size_t maxLength) = 0;
    // Returns the chosen file's full path, or nothing when cancelled.
    virtual std::optional<std::string> FileDialog(const FileDialogRequest& request) = 0;
    virtual std::optional<FolderChoice> FolderDialog(const FolderDialogRequest& request) = 0;
};

// Answers each dialog with the next scripted answer of its kind (nothing
// left: cancel) and records what was shown. With Echo, messages also go to
// standard error, for running without a display.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        std::string caption, text;
        MessageIcon icon;
    };
    std::vector<Shown> messages;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<FolderDialogRequest> folderRequests;
    std::vector<std::string> inputPrompts;

    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<std::optional<FolderChoice>> folderAnswers;
    bool Echo = false;

    void MessageBox(const std::string& caption, const std::string& text, MessageIcon icon) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial, std::size_t maxLength) override;
    std::optional<std::string> FileDialog(const FileDialogRequest& request) override;
    std::optional<FolderChoice> FolderDialog(const FolderDialogRequest& request) override;
};

// The open and save file dialog components of a form.
class TFileDialog {
public:
    explicit TFileDialog(bool save) : save_(save) {}
    std::string Filter;
    std::string InitialDir;
    std::string FileName;  // the chosen file's full path after Execute
    // True when the user confirmed a file; FileName then holds it.
    bool Execute();

private:
    bool save_;
};

class TOpenDialog : public TFileDialog {
public:
    TOpenDialog() : TFileDialog(false) {}
};
class TSaveDialog : public TFileDialog {
public:
    TSaveDialog() : TFileDialog(true) {}
};

}  // namespace toolkit
