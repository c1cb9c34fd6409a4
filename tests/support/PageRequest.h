// One page request through the page protocol, as the web view makes it:
// Start, Read until the end, Terminate.
#pragma once

#include "eProtocol.h"

#include <string>

inline std::string RequestPage(std::shared_ptr<const book::Book> book, const std::string& url) {
    viewer::TeProtocol protocol(std::move(book));
    if (protocol.Start(url, nullptr) != viewer::S_OK) return "<declined>";
    std::string bytes;
    char buffer[4096];
    std::uint32_t n = 0;
    while (protocol.Read(buffer, sizeof buffer, n) == viewer::E_PENDING) bytes.append(buffer, n);
    bytes.append(buffer, n);
    protocol.Terminate();
    return bytes;
}
