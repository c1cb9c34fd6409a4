// The functions of ICU that words are made with, reached through a table
// rather than by name. ICU puts its release in every symbol's name
// (ubrk_open_72) and in its file's name, so a program that names them runs
// only on the release it was built on. The compiler links them
// (LinkedTextLibraries); the viewer, which must open on every desktop,
// looks them up at run time in whatever release the reader's system has
// (LookUpTextLibraries). Only ICU's C interface is used: it keeps its
// signatures from release to release.
#pragma once

#ifndef U_SHOW_CPLUSPLUS_API
#define U_SHOW_CPLUSPLUS_API 0
#endif
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>

#include <stdexcept>
#include <string>

namespace search {

// The list names the library's functions once: F(name) for each. The table
// below holds them as members `name##_`, typed by the library's headers.
#define ZORBIN_ICU_FUNCTIONS(F)                                                                                  \
    F(ubrk_open) F(ubrk_close) F(ubrk_setUText) F(ubrk_first) F(ubrk_next) F(ubrk_getRuleStatus)                 \
    F(utext_openUTF8) F(utext_close) F(unorm2_getNFKCCasefoldInstance) F(unorm2_getNFDInstance)                  \
    F(unorm2_getNFCInstance) F(unorm2_normalize) F(u_charType) F(uscript_getScript) F(u_strFromUTF8WithSub)      \
    F(u_strToUTF8WithSub) F(u_errorName)

#define ZORBIN_TABLE_MEMBER(name) decltype(&::name) name##_ = nullptr;
struct IcuFunctions {
    ZORBIN_ICU_FUNCTIONS(ZORBIN_TABLE_MEMBER)
};
#undef ZORBIN_TABLE_MEMBER

struct TextLibraries {
    IcuFunctions icu;
    std::string release;  // which release this is, for messages: "ICU 72"
};

// Raised by whatever needs the libraries when they could not be found.
class ESearchUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The libraries this process makes words with. Until a
// program chooses (UseTextLibraries), DefaultTextLibraries() chooses, once.
// Raises ESearchUnavailable, with what is missing, when there are none.
const TextLibraries& TextLibrariesInUse();
// Empty when TextLibrariesInUse() has libraries to give; else a sentence
// for readers that says so and why ("Whole-book search is not available on
// this system: no ICU library (libicuuc.so.*) was found.").
std::string TextLibrariesMissing();

// Chooses the libraries (kept by the caller for as long as they are used),
// or none, with the reason, as a failed look-up gives. Made for program
// start and tests: nothing may be using words meanwhile.
void UseTextLibraries(const TextLibraries* libraries, const std::string& whyNone = {});

// The choice a program makes by what it links: search_linked (the compiler,
// the tests) gives LinkedTextLibraries(), search_found (the viewer) the ones
// LookUpTextLibraries() finds. Nullptr, with the reason, when none are found.
const TextLibraries* DefaultTextLibraries(std::string& whyNone);

}  // namespace search
