// Inspection of an eBook or a project file: its blocks walked in the order
// they are stored, told apart as settings, pages or the embedded program,
// and checked for damage. Behind the compiler's `info` and `verify`.
#pragma once

#include "BlockSeal.h"
#include "PasswordRecord.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace compiler {

// The block of the compiler's own file that carries the viewer program.
inline constexpr char kViewerBlock[] = "main_prog_file";
// The compiler's window binding, a shared object stored as it is.
inline constexpr char kWindowModuleBlock[] = "/zorbin/compiler-window";

enum class BlockKind {
    Setting,  // a settings key, in the run of settings the file begins with
    Page,     // a project file, compressed
    Program,  // main_prog_file or the window module: a program stored as it is, uncompressed
    Own,      // a block of our own, named from "/": an access index of a chunked page
};

struct InspectedBlock {
    std::string name;  // as the markers carry it, folded to upper case
    BlockKind kind;
    std::size_t offset;        // of the start marker in the file
    std::string_view payload;  // into the inspected bytes
};

struct Damage {
    std::string blockName;  // folded; empty when no block can be named
    std::string what;
};

struct Inspection {
    std::string fileName;
    bool project = false;        // a ".zbp" file: blocks from its first byte
    std::size_t fileSize = 0;
    std::size_t prefixSize = 0;  // bytes before the first block: the program
    bool knownViewer = false;    // the prefix is this compiler's own viewer
    std::vector<InspectedBlock> blocks;
    // Why the walk stopped before the end of the file, when it did.
    std::optional<Damage> layoutDamage;
};

// Walks the blocks of `bytes`. A project file holds blocks from its first
// byte on; an eBook's blocks start right after `viewer` when it begins with
// those bytes, else at the first start marker. Blocks follow one another
// with nothing between them and nothing after the last; the walk stops at
// the first bytes that break this, or at a block without its end marker.
// The result refers into `bytes`, which must outlive it.
Inspection InspectBytes(std::string_view bytes, const std::string& fileName, std::string_view viewer);

// The record of a protected eBook's password, from its "cpass" block: none
// for a file without one, or whose "cpass" holds a password as it is, as
// project files and older eBooks do. `damaged` tells a record that does not
// read (or asks for an absurd cost) from no record at all.
std::optional<protect::PasswordRecord> PasswordRecordOf(const Inspection& inspection, bool* damaged = nullptr);

// The first damaged block: one whose payload does not decompress, an access
// index that does not match its page (every chunk is inflated against it),
// a program block that is empty, or the point where the layout broke. A file without
// any block is damaged too: it is no eBook or project. In a protected eBook
// the sealed blocks are opened with `seal` (the book's key), and one that
// does not open is damaged; without the key only their layout is checked.
std::optional<Damage> FirstDamage(const Inspection& inspection, const SimExe::BlockSeal* seal = nullptr);

// The listing of `info`: what the file is, its settings (the password only
// as present or absent) and its pages with stored and original sizes, and
// which pages are chunked and which are stored uncompressed. Of a protected
// eBook it says that its pages are encrypted and how costly its password
// is to test, and shows the encrypted settings and sizes as such.
// Control bytes in names and values are shown escaped; a block that does not
// decompress is shown as damaged.
void WriteInfo(std::ostream& out, const Inspection& inspection);

// The text of a damage report: "FILE: block 'NAME' is damaged: WHAT".
std::string DamageReport(const Inspection& inspection, const Damage& damage);

}  // namespace compiler
