// A page of more than 4 GiB through the real compiler: it compiles, its
// size shows whole in `info`, and ranges past the 4 GiB mark read back.
#include "PageRange.h"
#include "ShellOutput.h"
#include "SimExe.h"
#include "TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint64_t kGiB = std::uint64_t(1) << 30;
constexpr std::uint64_t kPageSize = 4 * kGiB + 5 * (1 << 20) + 17;

}  // namespace

TEST(LargeFile, APageOverFourGiBCompilesAndReadsBackInRanges) {
    TempDir site, work;
    site.Write("index.html", "<html>a large file</html>");
    // A sparse file: zeros but for a few words, two of them past 4 GiB.
    const std::string big = site / "big.bin";
    {
        const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const struct {
            std::uint64_t at;
            const char* text;
        } marks[] = {{100, "near the start"}, {4 * kGiB - 3, "across 4 GiB"}, {kPageSize - 8, "the end"}};
        for (const auto& m : marks) ASSERT_GT(::pwrite(fd, m.text, std::strlen(m.text), static_cast<off_t>(m.at)), 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kPageSize)), 0);
        ::close(fd);
    }
    const std::string book = work / "big.exe";
    ASSERT_EQ(ShellOutput("'" ZORBIN_COMPILER "' build '" + site.path() + "' -q -o '" + book + "' 2>&1"), "");

    const std::string info = ShellOutput("'" ZORBIN_COMPILER "' info '" + book + "'");
    // The last chunk, 17 bytes, is kept as it is: deflate would not shrink it.
    EXPECT_NE(info.find(std::to_string(kPageSize) + "  BIG.BIN (4102 chunks, 1 stored)"), std::string::npos) << info;

    const std::string ebook = ReadFile(book);
    const std::optional<std::string_view> payload = SimExe::FindBlock(ebook, "big.bin");
    const std::optional<std::string_view> index = SimExe::FindBlock(ebook, SimExe::AccessIndexName("big.bin"));
    ASSERT_TRUE(payload && index);
    const SimExe::PageBytes across = SimExe::ReadPageRange(*payload, *index, 4 * kGiB - 5, 16);
    EXPECT_EQ(across.bytes, std::string(2, '\0') + "across 4 GiB" + std::string(2, '\0'));
    EXPECT_EQ(across.pageSize, kPageSize);
    EXPECT_EQ(SimExe::ReadPageRange(*payload, *index, kPageSize - 10, 100).bytes, std::string(2, '\0') + "the end" + std::string(1, '\0'));
    EXPECT_EQ(SimExe::ReadPageRange(*payload, *index, 100, 14).bytes, "near the start");
    EXPECT_TRUE(SimExe::ReadPageRange(*payload, *index, kPageSize, 1).bytes.empty());
}
