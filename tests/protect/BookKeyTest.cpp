// The book key: only the right password unlocks it, sealed blocks open only
// under their own name and part and unchanged, sealing is deterministic
// without ever giving two payloads one nonce, and a password record that
// asks for an absurd cost is refused before Argon2id runs. What books store
// (the record, a sealed block) stays the same bytes.
#include "BookKey.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>
#include <vector>

namespace protect {
namespace {

using namespace std::string_literals;

constexpr KdfCost kCheap{1, 64, 1};  // tests need no real cost
constexpr std::array<std::uint8_t, 16> kSalt{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

TEST(BookKey, OnlyTheRightPasswordUnlocksTheKey) {
    const auto [key, record] = BookKey::Create("Open Sesame", kSalt, kCheap);
    const std::optional<PasswordRecord> stored = DecodePasswordRecord(EncodePasswordRecord(record));
    ASSERT_TRUE(stored);
    const std::unique_ptr<BookKey> unlocked = BookKey::Unlock(*stored, "Open Sesame");
    ASSERT_TRUE(unlocked);
    EXPECT_EQ(unlocked->Bytes(), key->Bytes());
    for (const char* wrong : {"open sesame", "Open Sesame ", " Open Sesame", "Open", "", "Open Sesame\n"})
        EXPECT_FALSE(BookKey::Unlock(*stored, wrong)) << '"' << wrong << '"';
    // Another salt or cost is another key.
    PasswordRecord salted = *stored;
    salted.salt[0] ^= 1;
    EXPECT_FALSE(BookKey::Unlock(salted, "Open Sesame"));
    EXPECT_NE(BookKey::Create("Open Sesame", salted.salt, kCheap).first->Bytes(), key->Bytes());
    EXPECT_THROW(BookKey::Create("", kSalt, kCheap), EProtectError);
}

TEST(BookKey, AbsurdCostsAreRefusedWithoutBeingPaid) {
    const auto [key, record] = BookKey::Create("pw", kSalt, kCheap);
    for (const KdfCost cost : {KdfCost{1, 64u << 20, 1}, KdfCost{1000000, 64, 1}, KdfCost{0, 64, 1},
                               KdfCost{16, 1u << 20, 1}, KdfCost{1, 64, 0}, KdfCost{1, 64, 1000}, KdfCost{1, 4, 1}}) {
        PasswordRecord absurd = record;
        absurd.cost = cost;
        EXPECT_FALSE(DecodePasswordRecord(EncodePasswordRecord(absurd))) << cost.passes << " " << cost.memoryKiB;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(BookKey::Unlock(absurd, "pw"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
    EXPECT_TRUE(IsAcceptableCost(kDefaultCost));
    std::string bytes = EncodePasswordRecord(record);
    EXPECT_FALSE(DecodePasswordRecord(bytes.substr(0, bytes.size() - 1)));
    EXPECT_FALSE(DecodePasswordRecord(bytes + "x"));
    EXPECT_FALSE(DecodePasswordRecord("my password"));
    EXPECT_FALSE(LooksLikePasswordRecord("my password"));
    bytes[4] = 2;  // a version this program does not know
    EXPECT_FALSE(DecodePasswordRecord(bytes));
}

TEST(BookKey, SealedBlocksOpenOnlyUnchangedUnderTheirOwnNameAndPart) {
    const std::unique_ptr<BookKey> key = BookKey::Create("pw", kSalt, kCheap).first;
    const std::string plain = "The page's text, compressed or not.";
    const std::string sealed = key->Seal(plain, "docs/page.html", 3);
    EXPECT_EQ(sealed.size(), plain.size() + BookKey::kSealOverhead);
    EXPECT_EQ(sealed.find("page's text"), std::string::npos);
    EXPECT_EQ(key->Open(sealed, "docs/page.html", 3), plain);
    EXPECT_EQ(key->Open(sealed, "DOCS/PAGE.HTML", 3), plain) << "names are found in any letter case";
    EXPECT_FALSE(key->Open(sealed, "docs/other.html", 3));
    EXPECT_FALSE(key->Open(sealed, "docs/page.html", 2));
    EXPECT_FALSE(key->Open(sealed, "docs/page.html", BookKey::kWholeBlock));
    for (std::size_t i = 0; i < sealed.size(); ++i) {
        std::string flipped = sealed;
        flipped[i] ^= 0x20;
        EXPECT_FALSE(key->Open(flipped, "docs/page.html", 3)) << "byte " << i;
    }
    EXPECT_FALSE(key->Open(sealed.substr(0, sealed.size() - 1), "docs/page.html", 3));
    EXPECT_FALSE(key->Open(sealed.substr(0, 10), "docs/page.html", 3));
    EXPECT_FALSE(BookKey::Create("pw2", kSalt, kCheap).first->Open(sealed, "docs/page.html", 3));
    EXPECT_EQ(key->Open(key->Seal("", "empty", 0), "empty", 0), "");
}

TEST(BookKey, SealingIsDeterministicAndNoNonceServesTwoPayloads) {
    const std::unique_ptr<BookKey> key = BookKey::Create("pw", kSalt, kCheap).first;
    const std::unique_ptr<BookKey> again = BookKey::FromBytes(key->Bytes());
    EXPECT_EQ(key->Seal("same bytes", "a", 0), again->Seal("same bytes", "a", 0));
    std::set<std::string> nonces;
    std::size_t sealedCount = 0;
    for (const char* name : {"a", "b"})
        for (std::uint64_t part : {0ull, 1ull, static_cast<unsigned long long>(BookKey::kWholeBlock)})
            for (const char* text : {"same bytes", "same bytez", ""}) {
                nonces.insert(key->Seal(text, name, part).substr(0, 12));
                ++sealedCount;
            }
    EXPECT_EQ(nonces.size(), sealedCount);
    EXPECT_THROW(BookKey::FromBytes("short"), EProtectError);
}

// Books already made keep opening: the password record and a sealed block
// are the same bytes in every build.
TEST(BookKey, StoredBytesNeverChange) {
    PasswordRecord record{{3, 0x40005, 2}, kSalt, {}};
    for (std::size_t i = 0; i < record.check.size(); ++i) record.check[i] = static_cast<std::uint8_t>(0xA0 + i);
    std::string expected = "ZBPW\x01" "\x03\x00\x00\x00" "\x05\x00\x04\x00" "\x02\x00\x00\x00"s;
    expected.append(record.salt.begin(), record.salt.end());
    expected.append(record.check.begin(), record.check.end());
    EXPECT_EQ(EncodePasswordRecord(record), expected);
    const std::unique_ptr<BookKey> key = BookKey::FromBytes(std::string(BookKey::kKeySize, 'k'));
    EXPECT_EQ(key->Seal("page", "Docs/Page.html", 0x0102030405060708, 0x0A0B0C0D),
              "\x6a\x4c\xd0\x83\x12\x58\x71\x3c\xca\xd1\x54\x68\xb8\x71\xdd\xf3"
              "\x7a\x3f\x32\x21\x53\x90\x3e\x6c\xa9\x9c\x64\x77\x49\x99\x71\x85"s);
}

TEST(BookKey, SeveralThreadsOpenAtOnce) {
    const std::unique_ptr<BookKey> key = BookKey::Create("pw", kSalt, kCheap).first;
    const std::string plain(1 << 20, 'x');
    const std::string sealed = key->Seal(plain, "big", 7);
    std::vector<std::thread> threads;
    std::atomic<int> opened{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) opened += key->Open(sealed, "big", 7) == plain;
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(opened, 80);
}

}  // namespace
}  // namespace protect
