// The finder reads the few pages it needs itself, as files of the folder.
#include "ContentsBuilder.h"

#include "ChunkedBlockMaker.h"

#include <filesystem>
#include <fstream>

namespace compiler {

namespace {

// A file larger than this is no table and no page worth reading for one.
constexpr std::uintmax_t kLargestFileRead = 64u << 20;

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargestFileRead) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!file || !file.read(bytes.data(), static_cast<std::streamsize>(size))) return std::nullopt;
    return bytes;
}

}  // namespace

ContentsBuilder::ContentsBuilder(std::vector<std::string> files, std::string firstPage, std::string folder)
    : folder_(std::move(folder)) {
    book_.pages = std::move(files);
    book_.firstPage = std::move(firstPage);
    book_.read = [this](const std::string& page) { return ReadFile(std::filesystem::path(folder_) / page); };
    thread_ = std::thread([this] {
        try {
            found_ = contents::FindContents(book_);
            if (!found_.contents.entries.empty()) {
                // One zlib stream, deflated as the pages are.
                const std::string encoded = contents::Encode(found_.contents);
                payload_ = SimExe::MakeChunkedBlock(encoded, encoded.size()).payload;
            }
        } catch (const std::exception& e) {
            found_ = {};
            payload_.clear();
            found_.problems.push_back(std::string("the contents could not be made: ") + e.what());
        }
    });
}

ContentsBuilder::~ContentsBuilder() {
    if (thread_.joinable()) thread_.join();
}

contents::Found ContentsBuilder::Finish() {
    if (thread_.joinable()) thread_.join();
    return std::move(found_);
}

std::string ContentsSummary(const contents::Contents& found) {
    if (found.entries.empty()) return "Contents: none found";
    const std::size_t entries = contents::EntryCount(found.entries);
    return "Contents: " + found.source + ", " + std::to_string(entries) + (entries == 1 ? " entry" : " entries");
}

}  // namespace compiler
