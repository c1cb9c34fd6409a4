// The compiler without a window: `build` opens a project as Open Project does
// (or takes a folder) and presses compile through the same code; `info` and
// `verify` inspect an eBook or project file. Options follow GNU conventions.
#include "CommandLine.h"

#include "BookKey.h"
#include "BookLock.h"

#include "BookInspection.h"
#include "BuildOptions.h"
#include "BookSearch.h"
#include "SettingKeys.h"
#include "SimExe.h"
#include "compilerUnit1.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <memory>
#include <map>
#include <thread>

#ifndef ZORBIN_VERSION
#define ZORBIN_VERSION "0"
#endif

namespace compiler {

namespace {

const char* const kProgram = "zorbin-compiler";

const char* const kUsage =
    "Usage: zorbin-compiler\n"
    "       zorbin-compiler build [SETTINGS] [--save-project FILE.zbp] [-o OUTPUT] [-q] PROJECT.zbp | FOLDER\n"
    "       zorbin-compiler info FILE\n"
    "       zorbin-compiler verify [-q] [--password-file FILE] FILE\n"
    "       zorbin-compiler search EBOOK QUERY [--limit N] [--password-file FILE]\n"
    "       zorbin-compiler --help | --version\n"
    "\n"
    "Without arguments the wizard window opens.\n"
    "\n"
    "  build PROJECT.zbp   compile a saved project into its eBook, as the window's\n"
    "                      compile button does; each setting given overrides the\n"
    "                      project's, and nothing else\n"
    "  build FOLDER        compile a folder of pages with the settings of a new\n"
    "                      project in the window, and those given\n"
    "  info FILE           list an eBook's or project file's settings (the password\n"
    "                      only as present or absent) and its pages with their sizes\n"
    "  verify FILE         decompress every block of an eBook or project file and\n"
    "                      name the first damaged one; in an eBook with a password,\n"
    "                      the encrypted blocks are checked only with --password-file\n"
    "  search EBOOK QUERY  search every page of an eBook, as its readers do: one line\n"
    "                      per page found (page#name for a place it names), best\n"
    "                      first, with its rank, page name, title\n"
    "                      and the text around the hits, hits in [brackets]. Words are\n"
    "                      all required, \"quoted phrases\" match in order, a word\n"
    "                      ending in * matches as a prefix\n"
    "\n"
    "Settings of build:\n"
    "  --first-page PAGE   the page the eBook opens on (default for a folder:\n"
    "                      index.html, else the first .htm or .html page found)\n"
    "  --title TITLE, --number NUMBER, --author NAME, --email ADDRESS, --web ADDRESS\n"
    "                      the eBook's title, number, author, e-mail and web address\n"
    "  --about TEXT, --about-file FILE\n"
    "                      the other information the About box shows\n"
    "  --start-message TEXT, --start-message-file FILE\n"
    "  --close-message TEXT, --close-message-file FILE\n"
    "                      a message shown when the eBook starts, or closes\n"
    "  --password-file FILE  protect the eBook with the password in FILE (- for\n"
    "                      standard input; one trailing line break is not part of it)\n"
    "  --toolbar LIST      the toolbar's buttons, by name, separated by commas:\n"
    "                      back,next,reload,home,stop,search,print,about,exit\n"
    "  --context-menu, --no-context-menu\n"
    "                      allow, or disable, the right-click menu and copy/paste\n"
    "  --print, --no-print  allow, or disable, printing\n"
    "  --no-search-index   build the eBook without a search index (readers can then\n"
    "                      search the page on screen only)\n"
    "  --no-contents       build the eBook without its table of contents beside the\n"
    "                      pages\n"
    "  --no-reopen         build an eBook that opens at its first page every time,\n"
    "                      not where its reader left off\n"
    "Other options:\n"
    "  --save-project FILE.zbp  also save the project the command line describes, as\n"
    "                      the window's Save Project does\n"
    "  -o, --output FILE   where to write the eBook (default for a folder: FOLDER.exe\n"
    "                      in the current folder; for a project: its own output file)\n"
    "  --limit N           with search: list at most N pages (default 20)\n"
    "  --password-file FILE  with verify and search: open a protected eBook with the\n"
    "                      password in FILE\n"
    "  -q, --quiet         print nothing but errors (progress is shown only on a terminal)\n"
    "  -h, --help          show this help and exit\n"
    "  --version           show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when a build fails or a file is damaged or\n"
    "unreadable, or a search finds nothing, 2 for a mistake on the command line.\n";

// What the command line asks for.
struct Request {
    std::string command, source, query;
    std::map<std::string, std::string> given;  // the options by their long names; a flag's value is empty

    bool Has(const std::string& name) const { return given.count(name) > 0; }
    std::string Get(const std::string& name) const {
        const auto found = given.find(name);
        return found == given.end() ? std::string() : found->second;
    }
};

// An option: its names, whether it takes a value, and the commands it
// belongs to.
struct Option {
    const char* longName;
    char shortName;
    bool takesValue;
    std::string_view commands;
};
const Option kOptions[] = {
    {"output", 'o', true, "build"},
    {"first-page", 0, true, "build"},
    {"title", 0, true, "build"},
    {"number", 0, true, "build"},
    {"author", 0, true, "build"},
    {"email", 0, true, "build"},
    {"web", 0, true, "build"},
    {"about", 0, true, "build"},
    {"about-file", 0, true, "build"},
    {"start-message", 0, true, "build"},
    {"start-message-file", 0, true, "build"},
    {"close-message", 0, true, "build"},
    {"close-message-file", 0, true, "build"},
    {"toolbar", 0, true, "build"},
    {"context-menu", 0, false, "build"},
    {"no-context-menu", 0, false, "build"},
    {"print", 0, false, "build"},
    {"no-print", 0, false, "build"},
    {"no-search-index", 0, false, "build"},
    {"no-contents", 0, false, "build"},
    {"no-reopen", 0, false, "build"},
    {"save-project", 0, true, "build"},
    {"limit", 0, true, "search"},
    {"password-file", 0, true, "build verify search"},
    {"quiet", 'q', false, "build verify"},
    {"help", 'h', false, ""},
    {"version", 0, false, ""},
};

// Options that say opposite things, or the same thing twice over.
const std::pair<const char*, const char*> kExclusive[] = {{"about", "about-file"},
                                                           {"start-message", "start-message-file"},
                                                           {"close-message", "close-message-file"},
                                                           {"context-menu", "no-context-menu"},
                                                           {"print", "no-print"}};

// Options that name files, read against the folder the compiler started in.
const char* const kFileOptions[] = {"output",        "about-file",   "start-message-file", "close-message-file",
                                    "password-file", "save-project"};

struct UsageError {
    std::string problem;
};

// Reads argv into a request: long options as --name VALUE or --name=VALUE,
// short ones as -o VALUE, -oVALUE or grouped (-qo VALUE), "--" ends the
// options. The first word is the command, the next one its file.
Request Parse(int argc, char** argv) {
    Request request;
    std::vector<std::string> words;
    const auto take = [&](const Option& option, const std::string& shown, int& i, std::string attached,
                          bool hasAttached) {
        std::string value;
        if (!option.takesValue) {
            if (hasAttached) throw UsageError{"option '" + shown + "' doesn't allow an argument"};
        } else if (hasAttached) {
            value = attached;
        } else if (++i < argc) {
            value = argv[i];
        } else {
            throw UsageError{"option '" + shown + "' requires an argument"};
        }
        const auto [place, first] = request.given.emplace(option.longName, value);
        if (!first && place->second != value)
            throw UsageError{"option '" + shown + "' is given twice with different values"};
        return &option;
    };
    std::vector<std::pair<const Option*, std::string>> used;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
            words.push_back(arg);
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg.rfind("--", 0) == 0) {
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const Option* found = nullptr;
            for (const Option& option : kOptions)
                if (name == option.longName) found = &option;
            if (!found) throw UsageError{"unrecognized option '" + arg + "'"};
            const std::string shown = "--" + name;
            used.emplace_back(take(*found, shown, i, equals == std::string::npos ? "" : arg.substr(equals + 1),
                                   equals != std::string::npos),
                              shown);
        } else {
            for (std::size_t at = 1; at < arg.size(); ++at) {
                const Option* found = nullptr;
                for (const Option& option : kOptions)
                    if (option.shortName && arg[at] == option.shortName) found = &option;
                const std::string shown = std::string("-") + arg[at];
                if (!found) throw UsageError{"invalid option -- '" + std::string(1, arg[at]) + "'"};
                const bool rest = found->takesValue && at + 1 < arg.size();
                used.emplace_back(take(*found, shown, i, rest ? arg.substr(at + 1) : "", rest), shown);
                if (found->takesValue) break;
            }
        }
    }
    if (request.Has("help") || request.Has("version")) return request;
    if (words.empty()) throw UsageError{"a command is needed: build, info, verify or search"};
    request.command = words[0];
    if (request.command != "build" && request.command != "info" && request.command != "verify" &&
        request.command != "search")
        throw UsageError{"unknown command '" + request.command + "'"};
    for (const auto& [option, shown] : used)
        if (option->commands.find(request.command) == std::string_view::npos)
            throw UsageError{"option '" + shown + "' does not go with " + request.command};
    for (const auto& [one, other] : kExclusive)
        if (request.Has(one) && request.Has(other))
            throw UsageError{std::string("options '--") + one + "' and '--" + other + "' do not go together"};
    if (request.Has("toolbar")) {
        if (const std::optional<std::string> unknown = UnknownButton(request.Get("toolbar")))
            throw UsageError{"--toolbar knows no button '" + *unknown + "' (" + ButtonNames() + ")"};
    }
    if (words.size() < 2)
        throw UsageError{request.command + (request.command == "build" ? " needs a project file or a folder"
                                                                       : " needs an eBook or a project file")};
    request.source = words[1];
    if (request.command == "search") {
        // The query may come as one word or as several.
        if (words.size() < 3) throw UsageError{"search needs a query after the eBook"};
        for (std::size_t w = 2; w < words.size(); ++w) request.query += (w > 2 ? " " : "") + words[w];
        const std::string limit = request.Get("limit");
        if (request.Has("limit") && (limit.empty() || limit.find_first_not_of("0123456789") != std::string::npos))
            throw UsageError{"--limit needs a number, not '" + limit + "'"};
        return request;
    }
    if (words.size() > 2) throw UsageError{"only one file can be given at a time"};
    return request;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path.substr(path.rfind('/') + 1);
}

std::string Absolute(const std::string& path, const std::string& folder) {
    return path.empty() || path[0] == '/' ? path : folder + "/" + path;
}

std::string Lines(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
    return text;
}

// Message boxes become lines on standard error.
class ConsoleDialogs : public toolkit::ScriptedDialogs {
public:
    void MessageBox(const std::string& caption, const std::string& text, toolkit::MessageIcon icon) override {
        ScriptedDialogs::MessageBox(caption, text, icon);
        std::cerr << kProgram << ": " << Lines(text) << "\n";
    }
};

// Opens a protected eBook with the password of --password-file; a book
// that is not protected needs none. Raises std::runtime_error when its
// password record is damaged, there is no password file, or its password
// does not open the book.
void UnlockWithPasswordFile(const Request& request, book::Book& book, const book::BookLock& lock) {
    if (!lock.Sealed()) return;
    if (!lock.record) throw std::runtime_error("its password record is damaged");
    if (!request.Has("password-file"))
        throw std::runtime_error("it is protected by a password: give it with --password-file FILE");
    const std::string file = request.Get("password-file");
    if (!book::Unlock(book, lock, ReadPasswordFile(file)))
        throw std::runtime_error("the password in " + file + " is not its password");
}

// Fills the window as an author would: opens the project, or chooses the
// folder and its first page. False when that already failed.
bool Prepare(TForm1& form, ConsoleDialogs& dialogs, const Request& request) {
    if (!IsFolder(request.source)) {
        dialogs.fileAnswers.push_back(request.source);
        form.SpeedButton12->Click();
        if (request.Has("first-page")) form.vProject_homepage->SetText(request.Get("first-page"));
        return dialogs.messages.empty();
    }
    dialogs.folderAnswers.push_back(toolkit::FolderChoice{request.source, BaseName(request.source)});
    form.Button3->Click();
    const std::vector<std::string>& pages = form.vProject_homepage->Items();
    std::string first = request.Get("first-page");
    if (first.empty()) {
        first = pages.empty() ? "" : pages.front();
        for (const std::string& page : pages)
            if (page == "index.html" || page == "index.htm") first = page;
    }
    form.vProject_homepage->SetText(first);
    return dialogs.messages.empty();
}

// Shows the compile's status, and how much of the pages is written as a
// percentage that moves within a large file too. A status that comes while
// the percentage stands on its line goes on a line of its own.
void ShowProgress(TForm1& form) {
    auto percentOnLine = std::make_shared<bool>(false);
    form.cStatus->Observer = [&form, percentOnLine](toolkit::Prop) {
        std::cerr << (*percentOnLine ? "\n" : "") << form.cStatus->Caption() << "\n";
        *percentOnLine = false;
    };
    form.ProgressBar1->Observer = [&form, percentOnLine, shown = -1](toolkit::Prop p) mutable {
        if (p != toolkit::Prop::Position) return;
        const int max = std::max(1, form.ProgressBar1->Max());
        const int percent = static_cast<int>(std::int64_t{form.ProgressBar1->Position()} * 100 / max);
        if (percent == shown) return;
        shown = percent;
        std::cerr << "\r" << percent << "% of the pages written" << (percent == 100 ? "\n" : "") << std::flush;
        *percentOnLine = percent != 100;
    };
}

int Build(const Request& request, const std::string& startFolder) {
    auto console = std::make_unique<ConsoleDialogs>();
    ConsoleDialogs& dialogs = *console;
    toolkit::Application().SetDialogs(std::move(console));
    TForm1 form;
    form.FormCreate();

    if (!Prepare(form, dialogs, request)) return 1;
    std::string output = request.Get("output");
    if (output.empty() && IsFolder(request.source)) output = startFolder + "/" + BaseName(request.source) + ".exe";
    if (!output.empty()) form.Vcompile_file->SetText(output);
    try {
        ApplyBuildOptions(form, request.given);
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << e.what() << "\n";
        return 1;
    }
    if (request.Has("save-project")) {
        std::string project = request.Get("save-project");
        if (ExtractFileExt(project) != ".zbp") project += ".zbp";
        ProjectFileName() = project;
        form.SpeedButton13->Click();
        if (!dialogs.messages.empty()) return 1;
    }

    if (!request.Has("quiet") && ::isatty(STDERR_FILENO)) ShowProgress(form);
    // No window waits for its messages here, so the compile's pauses sleep
    // between polls and leave the cores to the compression workers.
    SimExe::SetMessagePump([] {
        toolkit::Application().ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    form.SpeedButton14->Click();
    if (!request.Has("quiet"))
        for (const std::string& note : form.CompileNotes()) std::cerr << kProgram << ": " << note << "\n";
    SimExe::SetMessagePump([] { toolkit::Application().ProcessMessages(); });
    form.cStatus->Observer = nullptr;
    form.ProgressBar1->Observer = nullptr;
    return form.cStatus->Caption() == kStatusDone ? 0 : 1;
}

// The viewer this compiler puts into its eBooks; empty when it carries none.
std::string OwnViewer() {
    std::string viewer;
    try {
        SimExe::ExtractBlockFromFile(kViewerBlock, SimExe::OwnImagePath(), viewer);
    } catch (const SimExe::EFileError&) {
    }
    return viewer;
}

// `info` and `verify`: the listing on standard output, damage on standard error.
int Inspect(const Request& request, const std::string& shownName) {
    std::shared_ptr<book::Book> book;
    try {
        book = book::Book::Open(request.source);
    } catch (const SimExe::EFileError& e) {
        std::cerr << kProgram << ": " << e.what() << "\n";
        return 1;
    }
    const Inspection inspection = InspectBytes(book->Bytes(), shownName, OwnViewer());
    if (request.command == "info") WriteInfo(std::cout, inspection);
    // A protected eBook's encrypted blocks are checked with its password,
    // when there is one to check them with.
    const std::optional<protect::PasswordRecord> record = PasswordRecordOf(inspection);
    if (record && request.command == "verify" && request.Has("password-file")) {
        try {
            UnlockWithPasswordFile(request, *book, book::LockOf(*book));
        } catch (const std::exception& e) {
            std::cerr << kProgram << ": " << shownName << ": " << e.what() << "\n";
            return 1;
        }
    }
    const std::shared_ptr<const protect::BookKey> key = book->Key();
    if (auto damage = FirstDamage(inspection, key.get())) {
        std::cout << std::flush;
        std::cerr << kProgram << ": " << DamageReport(inspection, *damage) << "\n";
        return 1;
    }
    if (request.command == "verify" && !request.Has("quiet"))
        std::cout << shownName << ": " << inspection.blocks.size() << (inspection.blocks.size() == 1 ? " block" : " blocks")
                  << (record && !key ? ", all sound as far as can be told without the password (--password-file)"
                                     : ", all sound")
                  << "\n";
    return 0;
}

// A snippet on one line, its hits in brackets.
std::string Marked(const search::Snippet& snippet) {
    std::string marked;
    std::size_t at = 0;
    for (const auto& [begin, end] : snippet.hits) {
        marked += snippet.text.substr(at, begin - at) + "[" + snippet.text.substr(begin, end - begin) + "]";
        at = end;
    }
    return marked + snippet.text.substr(at);
}

// `search`: one line per page or named place found, tab-separated, on
// standard output.
int Search(const Request& request, const std::string& shownName) {
    std::unique_ptr<search::BookSearch> book;
    try {
        const std::shared_ptr<book::Book> opened = book::Book::Open(request.source);
        UnlockWithPasswordFile(request, *opened, book::LockOf(*opened));
        book = search::BookSearch::Open(opened);
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << shownName << ": " << e.what() << "\n";
        return 1;
    }
    if (!book) {
        std::cerr << kProgram << ": " << shownName << " has no search index (it was built without one)\n";
        return 1;
    }
    try {
        const std::size_t limit = request.Has("limit") ? std::stoul(request.Get("limit")) : 20;
        const search::Answer answer = book->Search(request.query, false, limit);
        if (answer.query.cut) std::cerr << kProgram << ": " << search::kQueryCutNotice << "\n";
        for (std::size_t i = 0; i < answer.found.size(); ++i) {
            const search::Found& found = answer.found[i];
            const std::string place = found.hit.anchor.empty() ? found.hit.pageName : found.hit.pageName + "#" + found.hit.anchor;
            std::cout << i + 1 << "\t" << place << "\t" << found.hit.title << "\t"
                      << Marked(found.snippet) << "\n";
        }
        if (answer.count == 0) std::cerr << kProgram << ": no page matches " << request.query << "\n";
        return answer.count > 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << shownName << ": " << e.what() << "\n";
        return 1;
    }
}

}  // namespace

int RunCommandLine(int argc, char** argv, const std::string& startFolder) {
    // No arguments, or the restart after the self-rewrite exchange: the window.
    if (argc < 2 || (argc == 2 && std::string(argv[1]) == "deltemp")) return -1;
    Request request;
    try {
        request = Parse(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << kProgram << ": " << e.problem << "\n"
                  << "Try '" << kProgram << " --help' for more information.\n";
        return 2;
    }
    if (request.Has("help")) {
        std::cout << kUsage;
        return 0;
    }
    if (request.Has("version")) {
        std::cout << kProgram << " (Zorbin eBook Compiler) " << ZORBIN_VERSION << "\n";
        return 0;
    }
    const std::string shownName = request.source;
    request.source = Absolute(request.source, startFolder);
    for (const char* name : kFileOptions) {
        const auto file = request.given.find(name);
        if (file != request.given.end() && file->second != "-") file->second = Absolute(file->second, startFolder);
    }
    if (request.command == "build") return Build(request, startFolder);
    if (request.command == "search") return Search(request, shownName);
    return Inspect(request, shownName);
}

}  // namespace compiler
