// Compression wrapper: stream format, round trips, sizing and error texts.
#include "ZLibEx.h"
#include "ZeroBomb.h"

#include <gtest/gtest.h>

#include <random>

using namespace ZLibEx;

namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

template <class E>
std::string ErrorText(const std::string& compressed) {
    try {
        DecompressString(compressed);
    } catch (const E& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST(ZLibExFormat, EmptyInputAtDefaultLevelIsTheEightByteStream) {
    EXPECT_EQ(CompressString("", lvDefault), Bytes({0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01}));
}

TEST(ZLibExFormat, LevelTableSelectsZlibLevels) {
    EXPECT_EQ(ZLibLevel(lvNone), 0);
    EXPECT_EQ(ZLibLevel(lvFastest), 1);
    EXPECT_EQ(ZLibLevel(lvDefault), -1);
    EXPECT_EQ(ZLibLevel(lvMaximum), 9);
    // The level shows in the stream header's FLEVEL bits.
    EXPECT_EQ(static_cast<unsigned char>(CompressString("x", lvNone)[1]), 0x01);
    EXPECT_EQ(static_cast<unsigned char>(CompressString("x", lvMaximum)[1]), 0xDA);
}

TEST(ZLibExRoundTrip, ArbitraryBytesAtEveryLevel) {
    const std::string samples[] = {
        std::string(1, '\0'),
        std::string("a\0b\0\0c", 6),
        RandomBytes(1, 1),
        RandomBytes(255, 2),
        RandomBytes(256, 3),
        RandomBytes(70000, 4),
        std::string(100000, 'z'),
    };
    for (TZCompressionLevel level : {lvNone, lvFastest, lvDefault, lvMaximum})
        for (const std::string& s : samples) EXPECT_EQ(DecompressString(CompressString(s, level)), s);
}

TEST(ZLibExRoundTrip, IncompressibleDataComesOutLargerAndIntact) {
    for (std::size_t n : {0u, 1u, 10u, 300u, 5000u, 1u << 20}) {
        std::string s = RandomBytes(n, static_cast<unsigned>(n));
        std::string c = CompressString(s, lvNone);
        EXPECT_GT(c.size(), s.size());
        EXPECT_EQ(DecompressString(c), s);
    }
}

TEST(ZLibExRoundTrip, HighlyCompressibleDataTakesManyGrowthSteps) {
    std::string s(5'000'000, 'A');
    std::string c = CompressString(s, lvDefault);
    ASSERT_LT(c.size(), 10'000u);
    EXPECT_EQ(DecompressString(c), s);
}

TEST(ZLibExRoundTrip, BytesAfterTheStreamAreIgnored) {
    std::string c = CompressString("hello world", lvDefault) + "trailing junk";
    EXPECT_EQ(DecompressString(c), "hello world");
}

TEST(ZLibExBuffers, SizeEstimateIsOnlyAStartingPoint) {
    std::string s = RandomBytes(10000, 9) + std::string(10000, 'q');
    std::string c = CompressString(s, lvDefault);
    for (std::size_t estimate : {0u, 1u, 100u, 20000u, 100000u}) {
        ZBuffer b = DecompressBuffer(c.data(), c.size(), estimate);
        EXPECT_EQ(std::string(b.data.get(), b.length), s) << estimate;
    }
    ZBuffer b = CompressBuffer(s.data(), s.size(), lvFastest);
    EXPECT_EQ(DecompressString(std::string(b.data.get(), b.length)), s);
}

TEST(ZLibExErrors, CheckFunctionsPassNonNegativeResults) {
    for (int r : {0, 1, 2}) {
        EXPECT_EQ(CheckCompress(r), r);
        EXPECT_EQ(CheckDecompress(r), r);
    }
}

TEST(ZLibExErrors, NegativeResultsCarryZlibTexts) {
    const std::pair<int, const char*> table[] = {
        {-1, "file error"},   {-2, "stream error"}, {-3, "data error"},
        {-4, "insufficient memory"}, {-5, "buffer error"}, {-6, "incompatible version"},
    };
    for (auto [code, text] : table) {
        try {
            CheckCompress(code);
            ADD_FAILURE() << code;
        } catch (const EZCompressionError& e) {
            EXPECT_STREQ(e.what(), text);
        }
        try {
            CheckDecompress(code);
            ADD_FAILURE() << code;
        } catch (const EZDecompressionError& e) {
            EXPECT_STREQ(e.what(), text);
        }
    }
}

TEST(ZLibExErrors, BothKindsAreZLibErrors) {
    EXPECT_THROW(CheckCompress(-3), EZLibError);
    EXPECT_THROW(CheckDecompress(-3), EZLibError);
}

TEST(ZLibExErrors, EmptyInputIsABufferError) {
    EXPECT_EQ(ErrorText<EZDecompressionError>(""), "buffer error");
}

TEST(ZLibExErrors, DamagedDataIsADataError) {
    EXPECT_EQ(ErrorText<EZDecompressionError>("not a zlib stream at all"), "data error");
    std::string c = CompressString(std::string(2000, 'x') + RandomBytes(2000, 5), lvDefault);
    c[c.size() - 2] ^= 0x55;  // the Adler-32 trailer no longer matches
    EXPECT_EQ(ErrorText<EZDecompressionError>(c), "data error");
}

TEST(ZLibExErrors, TruncatedDataIsABufferErrorAtEveryLength) {
    std::string c = CompressString(RandomBytes(3000, 6) + std::string(3000, 'y'), lvDefault);
    for (std::size_t n = 1; n < c.size(); n += 7)
        EXPECT_EQ(ErrorText<EZDecompressionError>(c.substr(0, n)), "buffer error") << n;
}

TEST(ZLibExErrors, StreamAskingForADictionaryIsADataErrorNotAHang) {
    // Header with the preset-dictionary flag, a dictionary id, then data.
    const std::string stream = Bytes({0x78, 0x20, 0x01, 0x02, 0x03, 0x04}) + CompressString("text", lvDefault).substr(2);
    EXPECT_EQ(ErrorText<EZDecompressionError>(stream), "data error");
}

TEST(ZLibExLimit, OutputUpToTheLimitPassesAndOneByteMoreFails) {
    const std::string s = RandomBytes(3000, 11) + std::string(97000, 'z');
    const std::string c = CompressString(s, lvDefault);
    EXPECT_EQ(DecompressString(c, s.size()), s);
    ZBuffer estimated = DecompressBuffer(c.data(), c.size(), std::size_t(1) << 40, s.size());
    EXPECT_EQ(std::string(estimated.data.get(), estimated.length), s);
    for (std::size_t limit : {std::size_t(1), std::size_t(256), c.size(), s.size() - 1}) {
        try {
            DecompressString(c, limit);
            ADD_FAILURE() << limit;
        } catch (const EZDecompressionError& e) {
            EXPECT_STREQ(e.what(), "insufficient memory") << limit;
        }
    }
}

TEST(ZLibExLimit, StreamThatWouldOutgrowTheMachineStopsAtTheProcessLimit) {
    const std::size_t machine = OutputLimit();
    EXPECT_GE(machine, std::size_t(64) << 20);
    SetOutputLimit(1 << 20);
    EXPECT_EQ(OutputLimit(), std::size_t(1) << 20);
    // 4 MB that would inflate to more than 600 MB.
    EXPECT_EQ(ErrorText<EZDecompressionError>(ZeroBomb(4 << 20)), "insufficient memory");
    const std::string atLimit(1 << 20, '\0');
    EXPECT_EQ(DecompressString(CompressString(atLimit, lvDefault)), atLimit);
    // A limit named by the caller wins over the process's.
    EXPECT_EQ(DecompressString(CompressString(atLimit + "x", lvDefault), 2 << 20), atLimit + "x");
    SetOutputLimit(0);
    EXPECT_EQ(OutputLimit(), machine);
    // Without a limit the crafted stream runs to the end of its input.
    EXPECT_EQ(ErrorText<EZDecompressionError>(ZeroBomb(4096)), "buffer error");
}
