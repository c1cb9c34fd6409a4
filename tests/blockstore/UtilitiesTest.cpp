// The shared utilities: Delay, RunProgram, the relocation root and the
// ASCII helpers.
#include "Ascii.h"
#include "SimExe.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <thread>

using namespace SimExe;

namespace {

// Restores the real hooks after each test.
class UtilitiesTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetMessagePump(nullptr);
        SetTickSource(nullptr);
        SetShellOpener(nullptr);
    }
};

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::exists(path) && !ReadFile(path).empty()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace

TEST_F(UtilitiesTest, DelayPumpsMessagesUntilTheTicksHaveAdvanced) {
    std::uint32_t now = 1000;
    int pumped = 0;
    SetTickSource([&] { return now; });
    SetMessagePump([&] { ++pumped, ++now; });
    Delay(50);
    EXPECT_EQ(pumped, 50);
}

TEST_F(UtilitiesTest, DelayAcrossTheTickWrapNeitherEndsNorLingers) {
    for (std::uint32_t start : {0xFFFFFFFFu - 10, 0xFFFFFFFFu, 0xFFFFFFF0u}) {
        std::uint32_t now = start;
        int pumped = 0;
        SetTickSource([&] { return now; });
        SetMessagePump([&] { ++pumped, now += 3; });
        Delay(30);
        EXPECT_EQ(pumped, 10) << start;
    }
}

TEST_F(UtilitiesTest, DelayPumpsAtLeastOnceAndLastsItsTime) {
    int pumped = 0;
    SetMessagePump([&] { ++pumped; });
    auto begin = std::chrono::steady_clock::now();
    Delay(0);
    EXPECT_GE(pumped, 1);
    Delay(25);
    // 25 ticks of a millisecond counter span a little more than 24 ms.
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(24));
}

TEST_F(UtilitiesTest, RunProgramStartsAnExecutableWithItsParameter) {
    TempDir dir;
    const std::string out = dir / "out.txt";
    const std::string script = dir.Write("prog.sh", "#!/bin/sh\necho \"$#:$1\" > '" + out + "'\n");
    ::chmod(script.c_str(), 0755);
    SetShellOpener([](const std::string& t) { ADD_FAILURE() << "opened " << t; });

    RunProgram(script, "deltemp");
    ASSERT_TRUE(WaitForFile(out));
    EXPECT_EQ(ReadFile(out), "1:deltemp\n");

    std::filesystem::remove(out);
    RunProgram(script);
    ASSERT_TRUE(WaitForFile(out));
    EXPECT_EQ(ReadFile(out), "0:\n");
}

TEST_F(UtilitiesTest, RunProgramHandsEverythingElseToTheDesktop) {
    std::vector<std::string> opened;
    SetShellOpener([&](const std::string& t) { opened.push_back(t); });
    TempDir dir;
    const std::string doc = dir.Write("notes.txt", "not executable");
    RunProgram("");
    RunProgram("http://zorbin.example/ebook1.php");
    RunProgram("mailto:author@zorbin.example");
    RunProgram(doc);
    EXPECT_EQ(opened, (std::vector<std::string>{"http://zorbin.example/ebook1.php", "mailto:author@zorbin.example", doc}));
}

TEST_F(UtilitiesTest, RelocationRootIsTheHomeFolder) {
    const char* home = std::getenv("HOME");
    const std::string saved = home ? home : "";
    ::setenv("HOME", "/some/home", 1);
    EXPECT_EQ(RelocationRoot(), "/some/home");
    ::unsetenv("HOME");
    EXPECT_FALSE(RelocationRoot().empty());
    if (home) ::setenv("HOME", saved.c_str(), 1);
}

TEST(ExecutablePath, NamesThisTestProgram) {
    const std::string path = ExecutablePath();
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "test_blockstore");
    EXPECT_EQ(ExecutableFolder(), path.substr(0, path.rfind('/')));
}

// The C library in the "C" locale, which a test program never leaves, is the
// reference for every byte: none from 0x80 on is a letter, a digit or white
// space, and none changes case.
TEST(AsciiText, ClassesAndCaseAreTheCLocalesForEveryByte) {
    ASSERT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
    for (int byte = 0; byte < 256; ++byte) {
        SCOPED_TRACE(byte);
        const char c = static_cast<char>(byte);
        EXPECT_EQ(ascii::IsAlpha(c), std::isalpha(byte) != 0);
        EXPECT_EQ(ascii::IsDigit(c), std::isdigit(byte) != 0);
        EXPECT_EQ(ascii::IsAlnum(c), std::isalnum(byte) != 0);
        EXPECT_EQ(ascii::IsCSpace(c), std::isspace(byte) != 0);
        EXPECT_EQ(ascii::IsSpace(c), std::isspace(byte) != 0 && c != '\v') << "HTML's white space has no vertical tab";
        EXPECT_EQ(ascii::ToLower(c), static_cast<char>(std::tolower(byte)));
        EXPECT_EQ(ascii::ToUpper(c), static_cast<char>(std::toupper(byte)));
    }
}

TEST(AsciiText, ComparingInAnyCaseFoldsOnlyAsciiLetters) {
    EXPECT_EQ(ascii::Lower("@AZ[`az{ \xC9\xE9\xC3\x89"), "@az[`az{ \xC9\xE9\xC3\x89");
    EXPECT_TRUE(ascii::EqualsNoCase("Content-TYPE", "content-type"));
    EXPECT_FALSE(ascii::EqualsNoCase("\xC9", "\xE9")) << "Latin-1 capital and small e acute";
    EXPECT_FALSE(ascii::EqualsNoCase("[", "{")) << "a byte 0x20 from a letter";
    EXPECT_FALSE(ascii::EqualsNoCase("abc", "abcd"));
    EXPECT_TRUE(ascii::StartsWithNoCase("HTTP://EBook/index.html", "http://ebook/"));
    EXPECT_FALSE(ascii::StartsWithNoCase("http://ebook", "http://ebook/"));
    EXPECT_TRUE(ascii::StartsWithNoCase("", ""));
}

TEST(AsciiText, TrimmingTakesOnlyItsOwnWhiteSpaceFromTheEnds) {
    EXPECT_EQ(ascii::Trim("\t\n\f\r x  y \r\n"), "x  y");
    EXPECT_EQ(ascii::Trim("\vx\v"), "\vx\v");
    EXPECT_EQ(ascii::Trim("\xC2\xA0x "), "\xC2\xA0x") << "a no-break space is not ASCII white space";
    EXPECT_EQ(ascii::Trim(" \t\n "), "");
    EXPECT_EQ(ascii::TrimSpacesAndTabs(" \tbytes = 0-1\t "), "bytes = 0-1");
    EXPECT_EQ(ascii::TrimSpacesAndTabs("\r\nbytes\n"), "\r\nbytes\n");
    EXPECT_EQ(ascii::TrimSpacesAndTabs("\t \t"), "");
}
