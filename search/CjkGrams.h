// Chinese, Japanese and Korean text as the index lists it besides its
// dictionary words: a run of Han, Kana and Hangul characters is also a
// sequence of overlapping character pairs ("東京タワー" is 東京 京タ タワ ワー),
// so that a word is found inside the compounds the dictionary keeps whole
// (東京 in 東京タワー, 日本 in 日本語). A query's run becomes the same pairs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace search {

// Whether every character of a key is Han, Hiragana, Katakana or Hangul.
bool IsCjkKey(std::string_view key);

// The overlapping character pairs of a run of such text, in order; the run
// itself when it is a single character.
std::vector<std::string> CharacterPairs(std::string_view run);

// How many characters UTF-8 text has.
std::size_t CharCount(std::string_view text);

}  // namespace search
