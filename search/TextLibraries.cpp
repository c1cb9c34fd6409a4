// The process's choice of text libraries.
#include "TextLibraries.h"

#include <atomic>
#include <mutex>

namespace search {

namespace {

struct Choice {
    std::mutex mutex;
    bool made = false;
    std::string whyNone;
    std::atomic<const TextLibraries*> libraries{nullptr};  // read without the mutex once made
};

Choice& TheChoice() {
    static Choice choice;
    return choice;
}

// The libraries chosen, choosing the default ones first if nothing is
// chosen yet; nullptr, with the reason in whyNone, when there are none.
const TextLibraries* Chosen(std::string* whyNone) {
    Choice& choice = TheChoice();
    if (const TextLibraries* libraries = choice.libraries.load(std::memory_order_acquire)) return libraries;
    std::lock_guard lock(choice.mutex);
    if (!choice.made) {
        choice.libraries.store(DefaultTextLibraries(choice.whyNone), std::memory_order_release);
        choice.made = true;
    }
    if (whyNone) *whyNone = choice.whyNone;
    return choice.libraries.load(std::memory_order_acquire);
}

}  // namespace

const TextLibraries& TextLibrariesInUse() {
    if (const TextLibraries* libraries = Chosen(nullptr)) return *libraries;
    throw ESearchUnavailable(TextLibrariesMissing());
}

std::string TextLibrariesMissing() {
    std::string whyNone;
    return Chosen(&whyNone) ? std::string() : "Whole-book search is not available on this system: " + whyNone;
}

void UseTextLibraries(const TextLibraries* libraries, const std::string& whyNone) {
    Choice& choice = TheChoice();
    std::lock_guard lock(choice.mutex);
    choice.made = true;
    choice.whyNone = libraries ? std::string() : whyNone;
    choice.libraries.store(libraries, std::memory_order_release);
}

}  // namespace search
