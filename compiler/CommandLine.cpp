// The compiler without a window: `build` opens a project as Open Project does
// (or takes a folder) and presses compile through the same code; `info` and
// `verify` inspect an eBook or project file. Options follow GNU conventions.
#include "CommandLine.h"

#include "BookKey.h"

#include "BookInspection.h"
#include "BookSearch.h"
#include "SimExe.h"
#include "compilerUnit1.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <thread>

#ifndef ZORBIN_VERSION
#define ZORBIN_VERSION "0"
#endif

namespace compiler {

namespace {

const char* const kProgram = "zorbin-compiler";

const char* const kUsage =
    "Usage: zorbin-compiler\n"
    "       zorbin-compiler build PROJECT.zbp [--password-file FILE] [-o OUTPUT] [-q]\n"
    "       zorbin-compiler build FOLDER [--first-page PAGE] [--title TITLE] [--author NAME]\n"
    "                             [--password-file FILE] [-o OUTPUT] [-q]\n"
    "       zorbin-compiler info FILE\n"
    "       zorbin-compiler verify [-q] [--password-file FILE] FILE\n"
    "       zorbin-compiler search EBOOK QUERY [--limit N] [--password-file FILE]\n"
    "       zorbin-compiler --help | --version\n"
    "\n"
    "Without arguments the wizard window opens.\n"
    "\n"
    "  build PROJECT.zbp   compile a saved project into its eBook, as the window's\n"
    "                      compile button does\n"
    "  build FOLDER        compile a folder of pages with the window's default settings\n"
    "  info FILE           list an eBook's or project file's settings (the password\n"
    "                      only as present or absent) and its pages with their sizes\n"
    "  verify FILE         decompress every block of an eBook or project file and\n"
    "                      name the first damaged one; in an eBook with a password,\n"
    "                      the encrypted blocks are checked only with --password-file\n"
    "  search EBOOK QUERY  search every page of an eBook, as its readers do: one line\n"
    "                      per page found, best first, with its rank, page name, title\n"
    "                      and the text around the hits, hits in [brackets]. Words are\n"
    "                      all required, \"quoted phrases\" match in order, a word\n"
    "                      ending in * matches as a prefix\n"
    "\n"
    "  --first-page PAGE   the page the eBook opens on (default: index.html, else the\n"
    "                      first .htm or .html page found)\n"
    "  --title TITLE       the eBook's title; --author NAME its author\n"
    "  -o, --output FILE   where to write the eBook (default for a folder: FOLDER.exe\n"
    "                      in the current folder; for a project: its own output file)\n"
    "      --no-search-index  build the eBook without a search index (readers can then\n"
    "                      search the page on screen only)\n"
    "      --limit N       list at most N pages (default 20)\n"
    "      --password-file FILE  the eBook's password, read from FILE (one trailing\n"
    "                      line break is not part of it): build protects the eBook\n"
    "                      with it, verify and search open a protected eBook with it\n"
    "  -q, --quiet         print nothing but errors (progress is shown only on a terminal)\n"
    "  -h, --help          show this help and exit\n"
    "      --version       show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when a build fails or a file is damaged or\n"
    "unreadable, or a search finds nothing, 2 for a mistake on the command line.\n";

// What the command line asks for.
struct Request {
    std::string command, source, output, firstPage, title, author, query, limit, passwordFile;
    bool quiet = false, help = false, version = false, noSearchIndex = false;
};

// An option: its names, the field it sets (a value or a flag) and the
// commands it belongs to.
struct Option {
    const char* longName;
    char shortName;
    std::string Request::*value;
    bool Request::*flag;
    std::string_view commands;
};
const Option kOptions[] = {
    {"output", 'o', &Request::output, nullptr, "build"},
    {"first-page", 0, &Request::firstPage, nullptr, "build"},
    {"title", 0, &Request::title, nullptr, "build"},
    {"author", 0, &Request::author, nullptr, "build"},
    {"no-search-index", 0, nullptr, &Request::noSearchIndex, "build"},
    {"limit", 0, &Request::limit, nullptr, "search"},
    {"password-file", 0, &Request::passwordFile, nullptr, "build verify search"},
    {"quiet", 'q', nullptr, &Request::quiet, "build verify"},
    {"help", 'h', nullptr, &Request::help, ""},
    {"version", 0, nullptr, &Request::version, ""},
};

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
        if (option.flag) {
            if (hasAttached) throw UsageError{"option '" + shown + "' doesn't allow an argument"};
            request.*option.flag = true;
        } else if (hasAttached) {
            request.*option.value = attached;
        } else if (++i < argc) {
            request.*option.value = argv[i];
        } else {
            throw UsageError{"option '" + shown + "' requires an argument"};
        }
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
                const bool rest = found->value && at + 1 < arg.size();
                used.emplace_back(take(*found, shown, i, rest ? arg.substr(at + 1) : "", rest), shown);
                if (found->value) break;
            }
        }
    }
    if (request.help || request.version) return request;
    if (words.empty()) throw UsageError{"a command is needed: build, info, verify or search"};
    request.command = words[0];
    if (request.command != "build" && request.command != "info" && request.command != "verify" &&
        request.command != "search")
        throw UsageError{"unknown command '" + request.command + "'"};
    for (const auto& [option, shown] : used)
        if (option->commands.find(request.command) == std::string_view::npos)
            throw UsageError{"option '" + shown + "' does not go with " + request.command};
    if (words.size() < 2)
        throw UsageError{request.command + (request.command == "build" ? " needs a project file or a folder"
                                                                       : " needs an eBook or a project file")};
    request.source = words[1];
    if (request.command == "search") {
        // The query may come as one word or as several.
        if (words.size() < 3) throw UsageError{"search needs a query after the eBook"};
        for (std::size_t w = 2; w < words.size(); ++w) request.query += (w > 2 ? " " : "") + words[w];
        if (!request.limit.empty() && request.limit.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError{"--limit needs a number, not '" + request.limit + "'"};
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

// The password of --password-file: the file's bytes, less one line break
// at the end. Raises std::runtime_error when it cannot be read or is empty.
std::string ReadPasswordFile(const std::string& file) {
    std::string password = SimExe::ReadFileBytes(file);
    if (password.ends_with('\n')) password.pop_back();
    if (password.ends_with('\r')) password.pop_back();
    if (password.empty()) throw std::runtime_error("the password file " + file + " holds no password");
    return password;
}

// The key of a protected eBook whose password record is `record`, from the
// password of --password-file. Raises std::runtime_error when there is no
// password file, or its password is not the eBook's.
std::shared_ptr<const protect::BookKey> UnlockWithPasswordFile(const Request& request,
                                                                const protect::PasswordRecord& record) {
    if (request.passwordFile.empty())
        throw std::runtime_error("it is protected by a password: give it with --password-file FILE");
    std::shared_ptr<const protect::BookKey> key =
        protect::BookKey::Unlock(record, ReadPasswordFile(request.passwordFile));
    if (!key) throw std::runtime_error("the password in " + request.passwordFile + " is not its password");
    return key;
}

// Fills the window as an author would: opens the project, or chooses the
// folder and its first page. False when that already failed.
bool Prepare(TForm1& form, ConsoleDialogs& dialogs, const Request& request) {
    if (!IsFolder(request.source)) {
        dialogs.fileAnswers.push_back(request.source);
        form.SpeedButton12->Click();
        return dialogs.messages.empty();
    }
    dialogs.folderAnswers.push_back(toolkit::FolderChoice{request.source, BaseName(request.source)});
    form.Button3->Click();
    const std::vector<std::string>& pages = form.vProject_homepage->Items();
    std::string first = request.firstPage;
    if (first.empty()) {
        first = pages.empty() ? "" : pages.front();
        for (const std::string& page : pages)
            if (page == "index.html" || page == "index.htm") first = page;
    }
    form.vProject_homepage->SetText(first);
    form.vproject_title->SetText(request.title);
    form.vauthor->SetText(request.author);
    return dialogs.messages.empty();
}

// Shows the compile's status, and how much of the pages is written as a
// percentage that moves within a large file too.
void ShowProgress(TForm1& form) {
    form.cStatus->Observer = [&](toolkit::Prop) { std::cerr << form.cStatus->Caption() << "\n"; };
    form.ProgressBar1->Observer = [&form, shown = -1](toolkit::Prop p) mutable {
        if (p != toolkit::Prop::Position) return;
        const int max = std::max(1, form.ProgressBar1->Max());
        const int percent = static_cast<int>(std::int64_t{form.ProgressBar1->Position()} * 100 / max);
        if (percent == shown) return;
        shown = percent;
        std::cerr << "\r" << percent << "% of the pages written" << (percent == 100 ? "\n" : "") << std::flush;
    };
}

int Build(Request request, const std::string& startFolder) {
    auto console = std::make_unique<ConsoleDialogs>();
    ConsoleDialogs& dialogs = *console;
    toolkit::Application().SetDialogs(std::move(console));
    TForm1 form;
    form.FormCreate();

    if (!Prepare(form, dialogs, request)) return 1;
    if (request.output.empty() && IsFolder(request.source))
        request.output = startFolder + "/" + BaseName(request.source) + ".exe";
    if (!request.output.empty()) form.Vcompile_file->SetText(request.output);
    if (request.noSearchIndex) form.vSearchIndex->SetChecked(false);
    if (!request.passwordFile.empty()) {
        try {
            const std::string password = ReadPasswordFile(request.passwordFile);
            form.vUse_pass->SetChecked(true);  // which empties the password field
            form.vpass->SetText(password);
        } catch (const std::exception& e) {
            std::cerr << kProgram << ": " << e.what() << "\n";
            return 1;
        }
    }

    if (!request.quiet && ::isatty(STDERR_FILENO)) ShowProgress(form);
    // No window waits for its messages here, so the compile's pauses sleep
    // between polls and leave the cores to the compression workers.
    SimExe::SetMessagePump([] {
        toolkit::Application().ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    form.SpeedButton14->Click();
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
    std::string bytes;
    try {
        bytes = SimExe::ReadFileBytes(request.source);
    } catch (const SimExe::EFileError& e) {
        std::cerr << kProgram << ": " << e.what() << "\n";
        return 1;
    }
    const Inspection inspection = InspectBytes(bytes, shownName, OwnViewer());
    if (request.command == "info") WriteInfo(std::cout, inspection);
    // A protected eBook's encrypted blocks are checked with its password,
    // when there is one to check them with.
    std::shared_ptr<const protect::BookKey> key;
    const std::optional<protect::PasswordRecord> record = PasswordRecordOf(inspection);
    if (record && request.command == "verify" && !request.passwordFile.empty()) {
        try {
            key = UnlockWithPasswordFile(request, *record);
        } catch (const std::exception& e) {
            std::cerr << kProgram << ": " << shownName << ": " << e.what() << "\n";
            return 1;
        }
    }
    if (auto damage = FirstDamage(inspection, key.get())) {
        std::cout << std::flush;
        std::cerr << kProgram << ": " << DamageReport(inspection, *damage) << "\n";
        return 1;
    }
    if (request.command == "verify" && !request.quiet)
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

// `search`: one line per page found, tab-separated, on standard output.
int Search(const Request& request, const std::string& shownName) {
    std::unique_ptr<search::BookSearch> book;
    try {
        SimExe::SetOwnImageFile(request.source);
        SimExe::LoadOwnImage();
        std::string kept;
        if (SimExe::ReadBlock("cpass", kept) && protect::LooksLikePasswordRecord(kept)) {
            const std::optional<protect::PasswordRecord> record = protect::DecodePasswordRecord(kept);
            if (!record) throw std::runtime_error("its password record is damaged");
            SimExe::BlockStore().SetSeal(UnlockWithPasswordFile(request, *record));
        }
        book = search::BookSearch::Open();
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << shownName << ": " << e.what() << "\n";
        return 1;
    }
    if (!book) {
        std::cerr << kProgram << ": " << shownName << " has no search index (it was built without one)\n";
        return 1;
    }
    try {
        const std::size_t limit = request.limit.empty() ? 20 : std::stoul(request.limit);
        const search::Answer answer = book->Search(request.query, false, limit);
        for (std::size_t i = 0; i < answer.found.size(); ++i) {
            const search::Found& found = answer.found[i];
            std::cout << i + 1 << "\t" << found.hit.pageName << "\t" << found.hit.title << "\t"
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
    if (request.help) {
        std::cout << kUsage;
        return 0;
    }
    if (request.version) {
        std::cout << kProgram << " (Zorbin eBook Compiler) " << ZORBIN_VERSION << "\n";
        return 0;
    }
    const std::string shownName = request.source;
    request.source = Absolute(request.source, startFolder);
    request.output = Absolute(request.output, startFolder);
    request.passwordFile = Absolute(request.passwordFile, startFolder);
    if (request.command == "build") return Build(request, startFolder);
    if (request.command == "search") return Search(request, shownName);
    return Inspect(request, shownName);
}

}  // namespace compiler
