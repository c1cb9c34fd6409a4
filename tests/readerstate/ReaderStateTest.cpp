// The state's text: every field comes back as it was, whatever bytes its
// texts hold; anything cut short, damaged, foreign or newer reads as
// nothing; numbers out of range fall back without losing the rest; and the
// bounds a decoded state keeps are kept by what is encoded too.
#include "ReaderState.h"

#include <gtest/gtest.h>

namespace readerstate {
namespace {

ReaderState OddState() {
    ReaderState state;
    state.place = {"library/os path.html", "#main > p:nth-child(3)\n\t=%", 1.0 / 3};
    state.zoom = 1.2345678901234567;
    state.windowWidth = 1024;
    state.windowHeight = 700;
    state.maximized = false;
    state.contentsWidth = 250;
    state.contentsShown = false;
    state.bookmarks = {{"Résumé = “ünïcode” 🐍", {"a.html", "", 0.1}},
                       {"", {"", "", 0}},
                       {"line\nbreak\r\ttab %41 end ", {"b/c.html", std::string("nul\0byte", 8), 1}}};
    return state;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

TEST(ReaderState, EveryFieldComesBackWhateverItsTextsHold) {
    const ReaderState state = OddState();
    EXPECT_EQ(Decode(Encode(state)), state);
    EXPECT_EQ(Decode(Encode(ReaderState{})), ReaderState{});
}

TEST(ReaderState, CutDamagedForeignOrNewerBytesReadAsNothing) {
    const std::string encoded = Encode(OddState());
    for (std::size_t size = 0; size < encoded.size(); ++size)
        EXPECT_FALSE(Decode(encoded.substr(0, size))) << "cut at " << size;
    const std::vector<std::pair<std::string, std::string>> damages{{"reader-state 1", "reader-state 2"},
                                                                   {"reader-state 1", "reader-state"},
                                                                   {"zoom ", "zoom  "},
                                                                   {"zoom 1.2", "zoom 1,2"},
                                                                   {"window 1024", "window 1024px"},
                                                                   {"contents 250 0", "contents 250 2"},
                                                                   {"os%20path", "os path"},
                                                                   {"os%20path", "os%2path"},
                                                                   {"\nend", "\nend\n"},
                                                                   {"\nbookmark", "\nbookmarks"},
                                                                   {"\nend", "\nzoom 1\nend"},
                                                                   {"\n", "\r\n"}};
    for (const auto& [from, to] : damages) EXPECT_FALSE(Decode(Replaced(encoded, from, to))) << from << " -> " << to;
    EXPECT_FALSE(Decode("[Reader]\nzoom=1\n"));
    EXPECT_FALSE(Decode(std::string(kMaxEncodedSize + 1, '\n')));
}

TEST(ReaderState, NumbersOutOfRangeFallBackAndTheRestIsKept) {
    const std::string encoded = Encode(OddState());
    const auto decodedWith = [&](const std::string& from, const std::string& to) {
        std::optional<ReaderState> state = Decode(Replaced(encoded, from, to));
        EXPECT_TRUE(state && state->bookmarks == OddState().bookmarks) << from << " -> " << to;
        return state.value_or(ReaderState{});
    };
    EXPECT_EQ(decodedWith("zoom 1.2345678901234567", "zoom 99").zoom, kMaxZoom);
    EXPECT_EQ(decodedWith("zoom 1.2345678901234567", "zoom 1e-9").zoom, kMinZoom);
    EXPECT_EQ(decodedWith("zoom 1.2345678901234567", "zoom nan").zoom, 1.0);
    EXPECT_EQ(decodedWith("0.3333333333333333", "-7").place.fraction, 0.0);
    EXPECT_EQ(decodedWith("0.3333333333333333", "1e999").place.fraction, 0.0);
    EXPECT_EQ(decodedWith("0.3333333333333333", "1.5").place.fraction, 1.0);
    const ReaderState sized = decodedWith("window 1024 700", "window -1024 99999999999999999999999");
    EXPECT_EQ(sized.windowWidth, 0);
    EXPECT_EQ(sized.windowHeight, 0);
    EXPECT_EQ(decodedWith("contents 250", "contents 40000").contentsWidth, 0);
    EXPECT_EQ(decodedWith("contents 250", "contents 40000").place, OddState().place);
}

TEST(ReaderState, WhatDecodingRefusesIsNeverEncoded) {
    ReaderState state;
    const std::string tooLong(kMaxTextSize + 1, 'x'), longest(kMaxTextSize, ' ');
    state.place = {"page.html", tooLong, 0.5};
    state.bookmarks.assign(kMaxBookmarks + 5, Bookmark{"mark", {"page.html", "#a", 0.5}});
    state.bookmarks[1].name = tooLong;
    state.bookmarks[2].place.page = tooLong;
    std::optional<ReaderState> decoded = Decode(Encode(state));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->place, Place{});
    EXPECT_EQ(decoded->bookmarks.size(), kMaxBookmarks);
    EXPECT_EQ(decoded->bookmarks.front(), state.bookmarks.front());
    EXPECT_FALSE(Decode(Replaced(Encode(state), "\nend", "\nbookmark mark page.html #a 0.5\nend")));
    EXPECT_FALSE(Decode(Replaced(Encode(state), "bookmark mark", "bookmark " + tooLong)));

    // Names of spaces take three bytes each: far fewer fit in the text.
    state.bookmarks.assign(kMaxBookmarks, Bookmark{longest, {longest, longest, 0}});
    const std::string encoded = Encode(state);
    EXPECT_LE(encoded.size(), kMaxEncodedSize);
    decoded = Decode(encoded);
    ASSERT_TRUE(decoded);
    EXPECT_GT(decoded->bookmarks.size(), 100u);
    EXPECT_EQ(decoded->bookmarks.back(), state.bookmarks.back());
}

}  // namespace
}  // namespace readerstate
