// The carried files, included byte for byte by the assembler. The build
// names their paths (ZORBIN_WEB_EXTENSION_FILE, ZORBIN_PAGE_SCRIPT_FILE,
// ZORBIN_ANCHOR_SCRIPT_FILE, ZORBIN_PLACE_SCRIPT_FILE).
#include "CarriedFiles.h"

#define ZORBIN_CARRY(name, path)                                   \
    asm(".section .rodata\n"                                       \
        ".global " #name "_begin\n"                                \
        ".global " #name "_end\n"                                  \
        ".hidden " #name "_begin\n"                               \
        ".hidden " #name "_end\n"                                 \
        ".balign 16\n" #name "_begin:\n"                           \
        ".incbin \"" path "\"\n" #name "_end:\n"                   \
        ".previous\n");                                            \
    extern "C" const char name##_begin[], name##_end[];

ZORBIN_CARRY(zorbin_web_extension, ZORBIN_WEB_EXTENSION_FILE)
ZORBIN_CARRY(zorbin_page_script, ZORBIN_PAGE_SCRIPT_FILE)
ZORBIN_CARRY(zorbin_anchor_script, ZORBIN_ANCHOR_SCRIPT_FILE)
ZORBIN_CARRY(zorbin_place_script, ZORBIN_PLACE_SCRIPT_FILE)

namespace viewer::webkit {

namespace {

std::string_view Between(const char* begin, const char* end) {
    return {begin, static_cast<std::size_t>(end - begin)};
}

}  // namespace

std::string_view WebExtensionModule() { return Between(zorbin_web_extension_begin, zorbin_web_extension_end); }

std::string_view PageAddressScript() { return Between(zorbin_page_script_begin, zorbin_page_script_end); }

std::string_view AnchorHighlightScript() { return Between(zorbin_anchor_script_begin, zorbin_anchor_script_end); }

std::string_view ReaderPlaceScript() { return Between(zorbin_place_script_begin, zorbin_place_script_end); }

}  // namespace viewer::webkit
