// The blocks the compiler writes, fixed byte for byte: the example book, the
// same book under a password, and a book with a chunked page, each compiled
// by 1, 2 and 7 threads. eBooks already in readers' hands are read by these
// layouts, so a change to any of these bytes must be a deliberate change of
// format (or of the deflater), made here too.
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// The SHA-256 of an eBook's blocks: its bytes after the viewer program.
std::string BlocksDigest(const std::string& ebook) {
    const auto viewer = std::filesystem::file_size(ZORBIN_VIEWER_PAYLOAD);
    const std::string command = "tail -c +" + std::to_string(viewer + 1) + " '" + ebook + "' | sha256sum";
    std::string digest;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char line[128] = {};
        if (std::fgets(line, sizeof line, pipe)) digest.assign(line, 64);
        ::pclose(pipe);
    }
    return digest;
}

int Compile(const std::string& args, unsigned threads = 0) {
    const std::string environment = threads ? "ZORBIN_THREADS=" + std::to_string(threads) + " " : "";
    const int status = std::system((environment + "'" ZORBIN_COMPILER "' build -q " + args + " </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The digest of the blocks of the eBook `ebook` that the arguments compile,
// when 1, 2 and 7 threads make the same bytes; else what each one made.
std::string DigestForEveryThreadCount(const std::string& args, const std::string& ebook) {
    std::string first, all;
    for (unsigned threads : {1u, 2u, 7u}) {
        if (Compile(args + " -o '" + ebook + "'", threads) != 0) return "no eBook from " + std::to_string(threads);
        const std::string digest = BlocksDigest(ebook);
        all += std::to_string(threads) + " threads: " + digest + "\n";
        if (first.empty()) first = digest;
        if (digest != first) return all;
    }
    return first;
}

// Bytes that deflate partly: runs of text between stretches of noise.
std::string MixedContent(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = (i / 4096) % 3 == 0 ? static_cast<char>(state >> 24) : "zorbin tea "[i % 11];
    }
    return bytes;
}

}  // namespace

TEST(ByteIdentity, TheExampleBookItsProtectedTwinAndAChunkedPageKeepTheirBytesForAnyThreadCount) {
    TempDir work;
    const std::string example = "'" ZORBIN_EXAMPLE_BOOK "'";
    EXPECT_EQ(DigestForEveryThreadCount(example, work / "plain.exe"),
              "42e89f3eafa01ecb6b68a2757d9ef1f7f48a32238e466658e0b5255fdc27b0b5");

    const std::string password = " --password-file '" + work.Write("password", "steeped\n") + "'";
    EXPECT_EQ(DigestForEveryThreadCount(example + password, work / "sealed.exe"),
              "cddccbccef0a3c15d0b1932a3c53a92dfc90ab14b4fbfcc392c11952936ec311");

    // Over 4 MB: cut into chunks, with an access index; sealed chunk by chunk.
    work.Write("site/index.html", "<html><title>Film</title><video src=\"media/film.webm\"></video></html>");
    work.Write("site/media/film.webm", MixedContent((5u << 20) + 12345));
    const std::string site = "'" + (work / "site") + "'";
    EXPECT_EQ(DigestForEveryThreadCount(site, work / "chunked.exe"),
              "feeabc0c2a5631462cf9d233aab5c20632d72b84f4e0f8a9fbf2f8adf5538912");
    EXPECT_EQ(DigestForEveryThreadCount(site + password, work / "chunked-sealed.exe"),
              "12d19193a9c3b55e760ffd4de28c4f46615ac0666e5959f6c107c04181e19709");
}
