// Fuzz target: the block lookup, the store's indexed lookup and ReadBlock on
// arbitrary containers and names. The first byte gives the name's length, the name follows, the rest
// is the container.
#include "SimExe.h"
#include "ZLibEx.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

// The lookup as written out in plain steps, to check the store's own one.
static std::optional<std::string> PlainLookup(const std::string& c, const std::string& name) {
    const std::string start = SimExe::StartMarker(name), end = SimExe::EndMarker(name);
    for (std::size_t at = 0; at + start.size() <= c.size(); ++at) {
        if (c.compare(at, start.size(), start) != 0) continue;
        const std::size_t begin = at + start.size();
        for (std::size_t e = begin; e + end.size() <= c.size(); ++e)
            if (c.compare(e, end.size(), end) == 0) return c.substr(begin, e - begin);
        return std::string();
    }
    return std::nullopt;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t nameLength = std::min<std::size_t>(data[0], size - 1);
    const std::string name(reinterpret_cast<const char*>(data + 1), nameLength);
    const std::string container(reinterpret_cast<const char*>(data + 1 + nameLength), size - 1 - nameLength);

    auto found = SimExe::FindBlock(container, name);
    auto plain = PlainLookup(container, name);
    if (found.has_value() != plain.has_value() || (found && std::string(*found) != *plain)) std::abort();

    SimExe::TBlockStore store;
    store = container.empty() ? std::string("x") : container;
    // The indexed lookup, asked several related names in turn on one index.
    for (const std::string& asked : {name, name.substr(0, nameLength / 2), name + "A", std::string("A"), name}) {
        auto indexed = store.Find(asked);
        auto expected = PlainLookup(std::string(store.View()), asked);
        if (indexed.has_value() != expected.has_value() || (indexed && std::string(*indexed) != *expected)) std::abort();
    }
    std::string value = "untouched";
    try {
        bool present = store.ReadBlock(name, value);
        if (present != found.has_value() && !container.empty()) std::abort();
    } catch (const ZLibEx::EZLibError&) {
    }
    return 0;
}
