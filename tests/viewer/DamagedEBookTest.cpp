// The viewer's start-up and its page protocol on a real eBook, made by the
// real compiler and then damaged: cut at every length of its settings blocks,
// and among its pages around each marker and in short strides, a byte flipped in every part of every block, and blocks that
// would inflate past the output limit. A damaged settings block stops the
// start-up with its decompression error; a damaged page is answered empty.
#include "PageRequest.h"
#include "ViewerOnImage.h"
#include "ZeroBomb.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>

using namespace viewer;

namespace {

// Where one block lies in the eBook: its start marker, payload, end marker
// and the byte after it.
struct Span {
    std::string name;
    std::size_t start, payload, end, after;
};

// The settings keys in the order the viewer reads them.
const char* const kSettingsRead[] = {"ctoolbar", "cpass",    "cOnStart", "cOnClose", "chome", "cproject",
                                     "cenumber", "cauthor",  "cemail",   "cweb",     "cabout"};

enum class State { Absent, Damaged, Intact };

struct Book {
    std::string image;
    std::vector<Span> settings, pages;
    std::map<std::string, std::string> content;  // page name -> file bytes
};

Span Locate(const std::string& image, const std::string& name) {
    const auto payload = SimExe::FindBlock(image, name);
    const std::size_t begin = static_cast<std::size_t>(payload->data() - image.data());
    const std::size_t end = begin + payload->size();
    return {name, begin - SimExe::StartMarker(name).size(), begin, end, end + SimExe::EndMarker(name).size()};
}

// The example book compiled once by the real compiler, with its blocks found.
const Book& ExampleBook() {
    static const Book book = [] {
        static TempDir dir;
        const std::string path = dir / "tea.exe";
        const std::string command = "'" ZORBIN_COMPILER "' build '" ZORBIN_EXAMPLE_BOOK
                                    "' --title 'Tea' --author 'Ann' -q -o '" + path + "'";
        Book b;
        if (std::system(command.c_str()) != 0) return b;
        b.image = ReadFile(path);
        for (const char* key : kSettingsRead)
            if (SimExe::FindBlock(b.image, key)) b.settings.push_back(Locate(b.image, key));
        for (const auto& entry : std::filesystem::recursive_directory_iterator(ZORBIN_EXAMPLE_BOOK)) {
            if (!entry.is_regular_file()) continue;
            const std::string name = entry.path().lexically_relative(ZORBIN_EXAMPLE_BOOK).generic_string();
            b.pages.push_back(Locate(b.image, name));
            b.content[name] = ReadFile(entry.path());
        }
        return b;
    }();
    return book;
}

class DamagedEBookTest : public ViewerOnImage {
protected:
    void SetUp() override {
        ASSERT_FALSE(ExampleBook().image.empty()) << "the compiler did not build the example book";
        ViewerOnImage::SetUp();
    }

    // Checks the start-up and every page against the state of each block.
    void Expect(const std::map<std::string, State>& states, const std::string& what) {
        std::optional<std::string> stop;  // the key whose block stops the start-up
        for (const Span& s : ExampleBook().settings)
            if (!stop && states.at(s.name) == State::Damaged) stop = s.name;
        const auto intact = [&](const std::string& key) {
            return states.count(key) && states.at(key) == State::Intact;
        };
        if (stop) {
            ASSERT_EQ(dialogs->messages.size(), 1u) << what;
            const std::string& text = dialogs->messages[0].text;
            EXPECT_TRUE(text == "buffer error." || text == "data error.") << what << ": " << text;
            EXPECT_EQ(form->Caption(), "eBook") << what;
            EXPECT_FALSE(pages_ready) << what;
            EXPECT_EQ(browser->calls, std::vector<std::string>{"register"}) << what;
        } else {
            EXPECT_TRUE(dialogs->messages.empty()) << what << ": " << dialogs->messages[0].text;
            EXPECT_EQ(form->Caption(), intact("cproject") ? "Tea" : "Zorbin eBook Compiler") << what;
            EXPECT_EQ(form->SpeedButton9->Visible(), intact("ctoolbar")) << what;
            EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html") << what;
        }
        pages_ready = true;
        for (const Span& p : ExampleBook().pages) {
            const std::string expected = intact(p.name) ? ExampleBook().content.at(p.name) : std::string();
            EXPECT_EQ(Page(p.name), expected) << what << ", page " << p.name;
        }
    }

    std::vector<Span> AllBlocks() const {
        std::vector<Span> all = ExampleBook().settings;
        all.insert(all.end(), ExampleBook().pages.begin(), ExampleBook().pages.end());
        return all;
    }

};

}  // namespace

TEST_F(DamagedEBookTest, IntactBookStartsAndServesEveryPage) {
    Start(ExampleBook().image);
    std::map<std::string, State> states;
    for (const Span& s : AllBlocks()) states[s.name] = State::Intact;
    Expect(states, "intact");
    EXPECT_EQ(ExampleBook().settings.size(), 4u);  // ctoolbar, chome, cproject, cauthor
    EXPECT_GE(ExampleBook().pages.size(), 5u);
}

TEST_F(DamagedEBookTest, CutInTheSettingsAtEveryLengthAndAmongThePagesAroundEachMarker) {
    const std::vector<Span> blocks = AllBlocks();
    const std::size_t size = ExampleBook().image.size(), firstBlock = blocks.front().start;
    std::set<std::size_t> lengths;
    for (std::size_t at = 0; at < firstBlock; at += firstBlock / 8 + 1) lengths.insert(at);
    for (std::size_t at = firstBlock; at < ExampleBook().settings.back().after + 3; ++at) lengths.insert(at);
    for (std::size_t at = firstBlock; at < size; at += 11) lengths.insert(at);
    for (const Span& s : blocks)
        for (std::size_t edge : {s.start, s.payload, s.end, s.after})
            for (std::size_t at = edge - 3; at <= edge + 3 && at < size; ++at) lengths.insert(at);
    for (std::size_t length : lengths) {
        Start(ExampleBook().image.substr(0, length));
        std::map<std::string, State> states;
        for (const Span& s : blocks)
            states[s.name] = length < s.payload ? State::Absent : length < s.after ? State::Damaged : State::Intact;
        Expect(states, "cut at " + std::to_string(length));
        if (HasFatalFailure()) return;
    }
}

TEST_F(DamagedEBookTest, FlippedByteInEveryPartOfEveryBlock) {
    const std::vector<Span> blocks = AllBlocks();
    for (const Span& b : blocks) {
        const std::size_t places[] = {b.start + 5,  b.payload - 1, b.payload, b.payload + 1,
                                      (b.payload + b.end) / 2, b.end - 1, b.end + 4, b.after - 1};
        for (std::size_t at : places) {
            std::string image = ExampleBook().image;
            image[at] = static_cast<char>(~image[at]);
            Start(image);
            std::map<std::string, State> states;
            for (const Span& s : blocks) states[s.name] = State::Intact;
            states[b.name] = at < b.payload ? State::Absent : State::Damaged;
            Expect(states, "flip at " + std::to_string(at) + " in " + b.name);
        }
    }
}

TEST_F(DamagedEBookTest, BlocksThatWouldInflatePastTheLimit) {
    ZLibEx::SetOutputLimit(1 << 20);
    // 1 MB that would inflate to more than 150 MB, in place of a payload.
    const auto replaced = [&](const std::string& name) {
        const Span s = Locate(ExampleBook().image, name);
        return ExampleBook().image.substr(0, s.payload) + ZeroBomb(1 << 20) + ExampleBook().image.substr(s.end);
    };
    Start(replaced("index.html"));
    std::map<std::string, State> states;
    for (const Span& s : AllBlocks()) states[s.name] = State::Intact;
    states["index.html"] = State::Damaged;
    Expect(states, "oversized page");

    Start(replaced("cproject"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "insufficient memory.");
    EXPECT_EQ(dialogs->messages[0].icon, toolkit::MessageIcon::Error);
    EXPECT_EQ(form->Caption(), "eBook");
    EXPECT_FALSE(pages_ready);
}
