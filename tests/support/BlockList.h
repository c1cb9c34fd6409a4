// Lists the blocks of a container in order, for tests that check which
// blocks were written and in what order.
#pragma once

#include "SimExe.h"
#include "ZLibEx.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// (folded name, decompressed value) of every block after the container's prefix.
inline std::vector<std::pair<std::string, std::string>> ListBlocks(std::string_view container, bool decompress = true) {
    std::vector<std::pair<std::string, std::string>> blocks;
    const std::string startTag = std::string("#1!") + "#";
    std::size_t at = container.find(startTag);
    while (at != std::string_view::npos) {
        std::size_t nameEnd = container.find('\xB6', at);
        if (nameEnd == std::string_view::npos) break;
        std::string name(container.substr(at + 4, nameEnd - at - 4));
        std::size_t end = container.find(SimExe::EndMarker(name), nameEnd + 1);
        if (end == std::string_view::npos) break;
        std::string payload(container.substr(nameEnd + 1, end - nameEnd - 1));
        blocks.emplace_back(name, decompress ? ZLibEx::DecompressString(payload) : payload);
        at = container.find(startTag, end);
    }
    return blocks;
}
