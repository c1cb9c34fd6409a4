// The blocks the compiler writes, fixed byte for byte: the example book, the
// same book under a password, and a book with a chunked page. eBooks already
// in readers' hands are read by these layouts, so a change to any of these
// bytes must be a deliberate change of format, made here too.
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

int Compile(const std::string& args) {
    const int status = std::system(("'" ZORBIN_COMPILER "' build -q " + args + " </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

TEST(ByteIdentity, TheExampleBookItsProtectedTwinAndAChunkedPageKeepTheirBytes) {
    TempDir work;
    const std::string example = ZORBIN_EXAMPLE_BOOK;
    ASSERT_EQ(Compile("'" + example + "' -o '" + (work / "plain.exe") + "'"), 0);
    EXPECT_EQ(BlocksDigest(work / "plain.exe"), "b20fbc6722f2bfc9f650534a315bd6a78fc5a7a76d5b1bebdf2dc3c8f2224793");

    work.Write("password", "steeped\n");
    ASSERT_EQ(Compile("'" + example + "' -o '" + (work / "sealed.exe") + "' --password-file '" + (work / "password") + "'"), 0);
    EXPECT_EQ(BlocksDigest(work / "sealed.exe"), "feee010e4db294c497715c1918b9d99f39940f68073f4c20d9cdd3e2a00680b0");

    // Over 4 MB: cut into chunks, with an access index; sealed chunk by chunk.
    work.Write("site/index.html", "<html><title>Film</title><video src=\"media/film.webm\"></video></html>");
    work.Write("site/media/film.webm", MixedContent((5u << 20) + 12345));
    ASSERT_EQ(Compile("'" + (work / "site") + "' -o '" + (work / "chunked.exe") + "'"), 0);
    EXPECT_EQ(BlocksDigest(work / "chunked.exe"), "cff6e986c1b8a36b0fdfe84d0bba6d82e0365e767d3dcbb169b353b660ed0d00");
    ASSERT_EQ(Compile("'" + (work / "site") + "' -o '" + (work / "chunked-sealed.exe") + "' --password-file '" +
                      (work / "password") + "'"),
              0);
    EXPECT_EQ(BlocksDigest(work / "chunked-sealed.exe"), "3b3776c19e2e3d1ef23c79b6940dd2560f447d125b2ffffc20c4bcfa7f037d81");
}
