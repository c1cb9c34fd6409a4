// What `build`'s options set: each one field of the window (or of the
// project it opened), as an author would set it, and nothing else.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace compiler {

class TForm1;

// The toolbar's buttons by the names `--toolbar` takes, in order:
// "back,next,reload,home,stop,search,print,about,exit".
std::string ButtonNames();
// The first name in a comma-separated list that is no button's; nothing
// when every one is (an empty list names no button).
std::optional<std::string> UnknownButton(const std::string& list);

// The password in a file (or on standard input, for "-"), less one line
// break at its end. Raises SimExe::EFileError naming a file that cannot be
// read, std::runtime_error for an empty password.
std::string ReadPasswordFile(const std::string& file);

// Sets the fields the options name (by their long names, already checked)
// on the window: the details, the About text, the start and close messages
// (given, each is shown), the password, the toolbar's buttons, the two
// restrictions, the search index, the contents and reopening. Texts of
// several lines keep them apart with CR LF, as the window's boxes do.
// Raises SimExe::EFileError for a file that cannot be read.
void ApplyBuildOptions(TForm1& form, const std::map<std::string, std::string>& given);

}  // namespace compiler
