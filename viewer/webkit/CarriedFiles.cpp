// The carried files, included byte for byte by the assembler. The build
// names their paths (ZORBIN_WEB_EXTENSION_FILE, ZORBIN_PAGE_SCRIPT_FILE).
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

namespace viewer::webkit {

std::string_view WebExtensionModule() {
    return {zorbin_web_extension_begin, static_cast<std::size_t>(zorbin_web_extension_end - zorbin_web_extension_begin)};
}

std::string_view PageAddressScript() {
    return {zorbin_page_script_begin, static_cast<std::size_t>(zorbin_page_script_end - zorbin_page_script_begin)};
}

}  // namespace viewer::webkit
