// Filter strings, the scripted dialogs and the file dialog components.
#include "Dialogs.h"

#include "Forms.h"

#include <iostream>

namespace toolkit {

namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(sep, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

template <class T>
std::optional<T> Next(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

}  // namespace

std::vector<FileFilter> ParseFilter(const std::string& filter) {
    std::vector<FileFilter> result;
    if (filter.empty()) return result;
    std::vector<std::string> parts = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) result.push_back({parts[i], Split(parts[i + 1], ';')});
    return result;
}

void ScriptedDialogs::MessageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
    messages.push_back({caption, text, icon});
    if (Echo) std::cerr << (icon == MessageIcon::Error ? "error: " : "") << text << "\n";
}

std::optional<std::string> ScriptedDialogs::InputBox(const std::string&, const std::string& prompt,
                                                     const std::string&, std::size_t maxLength) {
    inputPrompts.push_back(prompt);
    std::optional<std::string> answer = Next(inputAnswers);
    if (answer && maxLength && answer->size() > maxLength) answer->resize(maxLength);
    return answer;
}

std::optional<std::string> ScriptedDialogs::FileDialog(const FileDialogRequest& request) {
    fileRequests.push_back(request);
    return Next(fileAnswers);
}

std::optional<FolderChoice> ScriptedDialogs::FolderDialog(const FolderDialogRequest& request) {
    folderRequests.push_back(request);
    return Next(folderAnswers);
}

bool TFileDialog::Execute() {
    FileDialogRequest request{save_, Filter, InitialDir, FileName};
    std::optional<std::string> chosen = Application().dialogs().FileDialog(request);
    if (!chosen) return false;
    FileName = *chosen;
    return true;
}

}  // namespace toolkit
