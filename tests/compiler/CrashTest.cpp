// The real command-line build killed at random moments: the output path
// holds the previous eBook or the complete new one, never anything else,
// and what a killed build leaves behind is removed by the next build.
#include "TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <random>
#include <thread>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kRuns = 50;  // every build runs several times slower
#else
constexpr int kRuns = 100;
#endif
// Random bytes do not compress, so the eBook is about as large as the
// pages and writing it takes a good part of the build. The last page is
// large enough to be compressed and written chunk by chunk. They are not
// pages that are searched (random bytes read as text would make the search
// index the build's main work); index.html is, so builds end with an index.
constexpr int kPages = 6;
constexpr std::size_t kPageBytes = 1200000;
constexpr std::size_t kLargePageBytes = (5u << 20) + 1;

// Starts `zorbin-compiler build SITE -o OUTPUT --quiet`, its output thrown away.
pid_t StartBuild(const std::string& site, const std::string& output) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::execl(ZORBIN_COMPILER, ZORBIN_COMPILER, "build", site.c_str(), "-o", output.c_str(), "--quiet",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// Runs a whole build; returns how long it took, or a negative time when it failed.
std::chrono::duration<double> Build(const std::string& site, const std::string& output) {
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    ::waitpid(StartBuild(site, output), &status, 0);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took : -took;
}

// The temporary files a save of the eBook may leave: every name but its own.
std::size_t TempsBeside(const std::string& folder) { return NamesIn(folder).size() - 1; }

}  // namespace

TEST(CrashTest, KilledBuildLeavesThePreviousOrTheNewEBook) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    TempDir site, out, reference;
    for (int i = 0; i < kPages; ++i) {
        std::string bytes(i + 1 < kPages ? kPageBytes : kLargePageBytes, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        site.Write("page" + std::to_string(i) + ".bin", bytes);
    }
    const std::string ebook = out / "book.exe";
    site.Write("index.html", "<html>the previous edition</html>");
    ASSERT_GT(Build(site.path(), ebook).count(), 0) << "the previous eBook could not be built";
    const std::string previous = ReadFile(ebook);
    site.Write("index.html", "<html>the new edition</html>");
    const double buildSeconds = Build(site.path(), reference / "book.exe").count();
    ASSERT_GT(buildSeconds, 0) << "the new eBook could not be built";
    const std::string complete = ReadFile(reference / "book.exe");
    ASSERT_NE(previous, complete);

    // Kills spread over the whole build, and a little beyond it.
    std::uniform_real_distribution<double> moment(0, buildSeconds * 1.1);
    int keptPrevious = 0, gotNew = 0, leftTemps = 0;
    std::size_t mostTemps = 0;
    for (int run = 0; run < kRuns && !::testing::Test::HasFailure(); ++run) {
        const pid_t build = StartBuild(site.path(), ebook);
        std::this_thread::sleep_for(std::chrono::duration<double>(moment(random)));
        ::kill(build, SIGKILL);
        ::waitpid(build, nullptr, 0);

        const std::string found = ReadFile(ebook);
        if (found == complete) {
            ++gotNew;
            out.Write("book.exe", previous);
        } else {
            ++keptPrevious;
            ASSERT_EQ(found.size(), previous.size()) << "run " << run << ": neither the previous nor the new eBook";
            ASSERT_TRUE(found == previous) << "run " << run << ": neither the previous nor the new eBook";
        }
        const std::size_t temps = TempsBeside(out.path());
        leftTemps += temps > 0;
        mostTemps = std::max(mostTemps, temps);
        // The next build removes what this one left, so they never pile up.
        EXPECT_LE(temps, 2u) << "run " << run;
    }
    std::cout << kRuns << " builds killed: " << keptPrevious << " kept the previous eBook, " << gotNew
              << " had the new one, " << leftTemps << " left a temporary file (at most " << mostTemps
              << " at once)\n";

    ASSERT_GT(Build(site.path(), ebook).count(), 0);
    EXPECT_EQ(ReadFile(ebook), complete);
    EXPECT_EQ(NamesIn(out.path()), std::set<std::string>{"book.exe"});
}
