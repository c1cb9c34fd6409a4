// `build`'s options on the window's fields.
#include "BuildOptions.h"

#include "SimExe.h"
#include "compilerUnit1.h"

#include <iostream>
#include <iterator>
#include <stdexcept>

namespace compiler {

namespace {

constexpr const char* kButtons[] = {"back", "next", "reload", "home", "stop", "search", "print", "about", "exit"};

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> names;
    if (list.empty()) return names;
    for (std::size_t at = 0;;) {
        const std::size_t comma = list.find(',', at);
        names.push_back(list.substr(at, comma - at));
        if (comma == std::string::npos) return names;
        at = comma + 1;
    }
}

// Text as a box of several lines holds it: each line break CR LF.
std::string BoxText(const std::string& text) {
    std::string box;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) box += '\r';
        box += text[i];
    }
    return box;
}

// The text an option gives, or the file its "-file" twin names.
std::optional<std::string> TextOption(const std::map<std::string, std::string>& given, const std::string& name) {
    if (const auto text = given.find(name); text != given.end()) return BoxText(text->second);
    if (const auto file = given.find(name + "-file"); file != given.end())
        return BoxText(SimExe::ReadFileBytes(file->second));
    return std::nullopt;
}

}  // namespace

std::string ButtonNames() {
    std::string names;
    for (const char* name : kButtons) names += (names.empty() ? "" : ",") + std::string(name);
    return names;
}

std::optional<std::string> UnknownButton(const std::string& list) {
    for (const std::string& name : Split(list))
        if (std::find(std::begin(kButtons), std::end(kButtons), name) == std::end(kButtons)) return name;
    return std::nullopt;
}

std::string ReadPasswordFile(const std::string& file) {
    std::string password;
    if (file == "-") {
        password.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        password = SimExe::ReadFileBytes(file);
    }
    if (password.ends_with('\n')) password.pop_back();
    if (password.ends_with('\r')) password.pop_back();
    if (password.empty())
        throw std::runtime_error("the password file " + std::string(file == "-" ? "(standard input)" : file) +
                                 " holds no password");
    return password;
}

void ApplyBuildOptions(TForm1& form, const std::map<std::string, std::string>& given) {
    const auto has = [&](const char* name) { return given.count(name) > 0; };
    const std::pair<const char*, TEdit*> details[] = {{"title", form.vproject_title}, {"number", form.vEnumber},
                                                      {"author", form.vauthor},       {"email", form.vemail},
                                                      {"web", form.vweb}};
    for (const auto& [name, field] : details)
        if (has(name)) field->SetText(given.at(name));
    if (const auto about = TextOption(given, "about")) form.vabout->SetText(*about);
    const std::tuple<const char*, TCheckBox*, TMemo*> messages[] = {{"start-message", form.vShowStart, form.vOnStart},
                                                                    {"close-message", form.vShowClose, form.vOnClose}};
    for (const auto& [name, shown, box] : messages) {
        if (const auto text = TextOption(given, name)) {
            shown->SetChecked(true);
            box->SetText(*text);
        }
    }
    if (has("password-file")) {
        const std::string password = ReadPasswordFile(given.at("password-file"));
        form.vUse_pass->SetChecked(true);  // which empties the password field
        form.vpass->SetText(password);
    }
    if (has("toolbar")) {
        TCheckBox* const boxes[] = {form.vT1, form.vT2, form.vT3, form.vT4, form.vT5,
                                    form.vT6, form.vT7, form.vT8, form.vT9};
        const std::vector<std::string> names = Split(given.at("toolbar"));
        for (std::size_t b = 0; b < std::size(kButtons); ++b)
            boxes[b]->SetChecked(std::find(names.begin(), names.end(), kButtons[b]) != names.end());
    }
    if (has("context-menu") || has("no-context-menu")) form.vDisable_menu->SetChecked(has("no-context-menu"));
    if (has("print") || has("no-print")) form.vDisable_print->SetChecked(has("no-print"));
    if (has("no-search-index")) form.vSearchIndex->SetChecked(false);
    if (has("no-contents")) form.vShowContents->SetChecked(false);
    if (has("no-reopen")) form.vReopen->SetChecked(false);
}

}  // namespace compiler
