// Finds a compile's table of contents on a thread of its own, from the
// start, while the pages are being compressed, and makes its block's
// compressed payload there too.
#pragma once

#include "ContentsFinder.h"

#include <exception>
#include <string>
#include <thread>
#include <vector>

namespace compiler {

class ContentsBuilder {
public:
    // `files` are the book's block names, found in `folder`.
    ContentsBuilder(std::vector<std::string> files, std::string firstPage, std::string folder);
    // Waits for the thread; what it found is dropped.
    ~ContentsBuilder();
    ContentsBuilder(const ContentsBuilder&) = delete;
    ContentsBuilder& operator=(const ContentsBuilder&) = delete;

    // What was found, once the thread is done. A failure of the finder
    // itself (memory) gives no contents and says so among the problems.
    contents::Found Finish();
    // The block's compressed payload, after Finish; empty when no entries were found.
    const std::string& Payload() const { return payload_; }

private:
    contents::BookFiles book_;
    std::string folder_;
    contents::Found found_;
    std::string payload_;
    std::thread thread_;
};

// The progress text of contents found: "Contents: the Devhelp book
// gtk3.devhelp2, 383 entries"; or that none was found.
std::string ContentsSummary(const contents::Contents& found);

}  // namespace compiler
