// A password-protected eBook made by the real compiler: nothing of its pages,
// its password or its start message stands in its file, in any zlib stream
// either; the right password serves every page as its file, a wrong one
// ends the viewer; a changed, moved or swapped sealed block or chunk is
// answered as damaged and harms nothing else; rebuilds are byte-identical,
// and a rebuild after a change never seals other bytes under a nonce the
// old book used.
#include "AccessIndex.h"
#include "BookKey.h"
#include "PageRange.h"
#include "PageRequest.h"
#include "ViewerOnImage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <map>
#include <memory>

using namespace viewer;

namespace {

const std::string kPassword = "Tr0ub4dor &3";
const std::string kStartMessage = "SECRET-DELTA: welcome aboard";

// The book's files: two small pages (the first linking to the second, so the
// book has a table of contents), a text file and a large file that is chunked.
std::map<std::string, std::string> Files(const std::string& indexWord = "SECRET-ALPHA") {
    std::string large;
    // 64 bytes a line, so that every chunk of 1 MiB holds the same bytes.
    while (large.size() < (6u << 20)) large += "SECRET-CHARLIE, one line of the large file, sixty-four bytes..\n";
    return {{"index.html", "<html><head><title>Ledger</title></head><body>Quartermaster: " + indexWord +
                               " <a href=\"stores.html\">stores</a></body></html>"},
            {"stores.html", "<html><head><title>SECRET-ECHO</title></head><body><h2 id=\"shelf\">SECRET-FOXTROT</h2>"
                            "</body></html>"},
            {"notes.txt", "SECRET-BRAVO, the notes."},
            {"big.log", large}};
}

// Builds the book from a project file with the password and a start
// message, as the window saves one.
std::string Build(const TempDir& dir, const std::map<std::string, std::string>& files, const std::string& name) {
    const std::string site = dir / ("site-" + name);
    for (const auto& [file, bytes] : files) dir.Write("site-" + name + "/" + file, bytes);
    SimExe::BlockStore().clear();
    SimExe::AddStringBlock("ctoolbar", "111111111010111");  // the start and close messages shown
    SimExe::AddStringBlock("cpass", kPassword);
    SimExe::AddStringBlock("cOnStart", kStartMessage);
    SimExe::AddStringBlock("chome", "index.html");
    SimExe::AddStringBlock("cproject", "Ledger");
    SimExe::AddStringBlock("cOnClose", "bye");
    SimExe::AddStringBlock("cproject_dir", site);
    SimExe::AddStringBlock("ccompile_file", dir / (name + ".exe"));
    // As the window saves it: with the identity its eBooks keep, wherever its folder is.
    SimExe::AddStringBlock("cidentity", "0123456789abcdef0123456789abcdef");
    const std::string project = dir.Write(name + ".zbp", std::string(SimExe::BlockStore().View()));
    SimExe::BlockStore().clear();
    const std::string command = "'" ZORBIN_COMPILER "' build '" + project + "' -q";
    return std::system(command.c_str()) == 0 ? ReadFile(dir / (name + ".exe")) : std::string();
}

// What inflates from `bytes` before the stream ends or breaks.
std::string InflateWhatYouCan(std::string_view bytes, int windowBits) {
    z_stream zs{};
    if (inflateInit2(&zs, windowBits) != Z_OK) return {};
    std::string out;
    char buffer[65536];
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    zs.avail_in = static_cast<uInt>(std::min<std::size_t>(bytes.size(), UINT32_MAX));
    for (int result = Z_OK; result == Z_OK && out.size() < (64u << 20);) {
        zs.next_out = reinterpret_cast<Bytef*>(buffer);
        zs.avail_out = sizeof buffer;
        result = inflate(&zs, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - zs.avail_out);
        if (zs.avail_out == sizeof buffer) break;
    }
    inflateEnd(&zs);
    return out;
}

// The payload of a block as it lies in an image, and its place.
std::string_view Payload(const std::string& image, const std::string& name) {
    return SimExe::FindBlock(image, name).value_or(std::string_view());
}

std::unique_ptr<protect::BookKey> KeyOf(const std::string& image) {
    const std::string kept = ZLibEx::DecompressString(std::string(Payload(image, "cpass")));
    return protect::BookKey::Unlock(*protect::DecodePasswordRecord(kept), kPassword);
}

// The access index of a sealed chunked block.
SimExe::AccessIndex IndexOf(const std::string& image, const protect::BookKey& key, const std::string& name) {
    const std::string indexName = SimExe::AccessIndexName(name);
    const std::string opened = *key.Open(Payload(image, indexName), indexName, SimExe::BlockSeal::kWholeBlock);
    return *SimExe::DecodeAccessIndex(ZLibEx::DecompressString(opened), Payload(image, name).size());
}

// Every sealed unit of a book (a block sealed whole, or one chunk) by its
// nonce: the bytes sealed under it.
std::map<std::string, std::string> SealedByNonce(const std::string& image, const std::vector<std::string>& names) {
    const std::unique_ptr<protect::BookKey> key = KeyOf(image);
    std::map<std::string, std::string> units;
    for (const std::string& name : names) {
        const std::string_view payload = Payload(image, name);
        if (SimExe::FindBlock(image, SimExe::AccessIndexName(name))) {
            const SimExe::AccessIndex index = IndexOf(image, *key, name);
            for (std::size_t i = 0; i < index.chunks.size(); ++i) {
                const std::uint64_t from = index.chunks[i].payloadOffset;
                const std::string_view chunk = payload.substr(from, index.PayloadEnd(i, payload.size()) - from);
                units[std::string(chunk.substr(0, 12))] = chunk;
            }
        } else {
            units[std::string(payload.substr(0, 12))] = payload;
        }
    }
    return units;
}

class ProtectedEBookTest : public ViewerOnImage {
protected:
    void SetUp() override {
        image = Build(dir, Files(), "book");
        ASSERT_FALSE(image.empty()) << "the compiler did not build the book";
        ViewerOnImage::SetUp();
    }

    std::string image;
};

TEST_F(ProtectedEBookTest, NothingOfTheBookStandsInItsFileNorInAnyZlibStreamInIt) {
    const std::vector<std::string> secrets = {"SECRET-ALPHA", "SECRET-BRAVO", "SECRET-CHARLIE", "SECRET-DELTA",
                                              "SECRET-ECHO", "SECRET-FOXTROT", kPassword, "Quartermaster"};
    const auto holdsSecret = [&](std::string_view bytes) {
        for (const std::string& secret : secrets)
            if (bytes.find(secret) != std::string_view::npos) return secret;
        return std::string();
    };
    EXPECT_EQ(holdsSecret(image), "");
    // Every place a zlib stream could begin, and every block's payload as a
    // zlib stream and as raw deflate data.
    std::size_t streams = 0;
    for (std::size_t at = 0; at + 1 < image.size(); ++at) {
        const unsigned char cmf = image[at], flags = image[at + 1];
        if ((cmf & 0x0F) != 8 || (cmf * 256 + flags) % 31 != 0) continue;
        const std::string out = InflateWhatYouCan(std::string_view(image).substr(at), 15);
        streams += !out.empty();
        ASSERT_EQ(holdsSecret(out), "") << "in a stream at " << at;
    }
    EXPECT_GT(streams, 0u);  // the settings left readable at least
    for (const std::string name :
         {"index.html", "notes.txt", "big.log", "cOnStart", "cpass", "chome", "/zorbin/search", "/zorbin/contents"}) {
        const std::string_view payload = Payload(image, name);
        ASSERT_FALSE(payload.empty()) << name;
        for (std::size_t skip : {0, 12}) {
            EXPECT_EQ(holdsSecret(InflateWhatYouCan(payload.substr(skip), 15)), "") << name;
            EXPECT_EQ(holdsSecret(InflateWhatYouCan(payload.substr(skip), -15)), "") << name;
        }
    }
}

TEST_F(ProtectedEBookTest, TheRightPasswordServesEveryPageAsItsFile) {
    Start(image, kPassword);
    EXPECT_EQ(dialogs->inputPrompts, std::vector<std::string>{"Password"});
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, kStartMessage);
    EXPECT_EQ(form->Caption(), "Ledger");
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/index.html");
    EXPECT_EQ(Settings().cOnClose, "bye");
    for (const auto& [name, bytes] : Files()) EXPECT_EQ(Page(name) == bytes, true) << name;
    const std::string large = Files().at("big.log");
    const std::optional<SimExe::PageBytes> range = browser->served->Block("big.log")->Read(3'000'000, 2'500'000);
    EXPECT_EQ(range->bytes == large.substr(3'000'000, 2'500'000), true);
    EXPECT_EQ(range->pageSize, large.size());
    // The sealed table of contents opens with the key, as the pages do.
    ASSERT_TRUE(form->ContentsTree->Visible() && form->ContentsTree->Items());
    EXPECT_EQ(form->ContentsTree->Items()->Title({1}), "SECRET-ECHO");
    EXPECT_EQ(form->ContentsTree->Items()->Title({1, 0}), "SECRET-FOXTROT");
}

TEST_F(ProtectedEBookTest, WhatTheReaderKeepsIsSealedAndItsFileNamesNothing) {
    Start(image, kPassword);
    browser->title = "SECRET-ECHO";
    form->webbrowser1->Browser().NavigateComplete("http://ebook/stores.html#shelf");
    form->webbrowser1->Browser().PlaceChanged("http://ebook/stores.html#shelf", "shelf|0", 0.5);
    form->AddBookmarkButton->Click();
    form->Close();
    const std::vector<std::string> secrets = {"stores", "shelf", "SECRET-ECHO", "0123456789abcdef", "Ledger"};
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "state/zorbin-ebook")) {
        ++files;
        const std::string kept = entry.path().filename().string() + ReadFile(entry.path());
        for (const std::string& secret : secrets) EXPECT_EQ(kept.find(secret), std::string::npos) << secret;
    }
    EXPECT_EQ(files, 1u);
    Start(image, kPassword);
    EXPECT_EQ(browser->calls.back(), "navigate http://ebook/stores.html") << "the key opens what was kept";
    EXPECT_EQ(form->BookmarksList->Items()->Title({0}), "SECRET-ECHO");
}

TEST_F(ProtectedEBookTest, AWrongEmptyOrCancelledPasswordEndsTheViewer) {
    for (std::optional<std::string> typed :
         {std::optional<std::string>("tr0ub4dor &3"), std::optional<std::string>(kPassword + " "),
          std::optional<std::string>(""), std::optional<std::string>()}) {
        Start(image, typed);
        EXPECT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].text, "Incorrect Password");
        EXPECT_TRUE(toolkit::Application().Terminated());
        EXPECT_EQ(browser->calls, std::vector<std::string>{"register"});
        EXPECT_EQ(Settings().cOnStart, "");  // never read
        EXPECT_FALSE(browser->served->Key());
    }
}

TEST_F(ProtectedEBookTest, AChangedMovedOrSwappedBlockIsDamageThatHarmsNothingElse) {
    const auto payloadAt = [&](const std::string& bytes, const std::string& name) {
        return static_cast<std::size_t>(Payload(bytes, name).data() - bytes.data());
    };
    const auto served = [&](const std::string& bytes) {
        Start(bytes, kPassword);
        pages_ready = true;
        std::map<std::string, bool> intact;
        for (const auto& [name, file] : Files()) intact[name] = Page(name) == file;
        return intact;
    };
    // A flipped byte in a page sealed whole.
    std::string flipped = image;
    flipped[payloadAt(flipped, "notes.txt") + 20] ^= 0x01;
    EXPECT_EQ(served(flipped),
              (std::map<std::string, bool>{{"index.html", true}, {"stores.html", true},
                                           {"notes.txt", false}, {"big.log", true}}));

    // A page's sealed payload moved under another page's name.
    std::string moved = image;
    const std::string_view index = Payload(image, "index.html");
    moved.replace(payloadAt(moved, "notes.txt"), Payload(moved, "notes.txt").size(), index);
    EXPECT_EQ(served(moved),
              (std::map<std::string, bool>{{"index.html", true}, {"stores.html", true},
                                           {"notes.txt", false}, {"big.log", true}}));

    // Two chunks of the large file swapped (they seal to the same length).
    const SimExe::AccessIndex chunks = IndexOf(image, *KeyOf(image), "big.log");
    ASSERT_GE(chunks.chunks.size(), 3u);
    const std::size_t big = payloadAt(image, "big.log");
    const std::size_t first = chunks.chunks[1].payloadOffset, second = chunks.chunks[2].payloadOffset;
    const std::size_t length = second - first;
    ASSERT_EQ(chunks.chunks[3].payloadOffset - second, length);
    std::string swapped = image;
    swapped.replace(big + first, length, image.substr(big + second, length));
    swapped.replace(big + second, length, image.substr(big + first, length));
    EXPECT_EQ(served(swapped),
              (std::map<std::string, bool>{{"index.html", true}, {"stores.html", true},
                                           {"notes.txt", true}, {"big.log", false}}));
    EXPECT_THROW(browser->served->Block("big.log")->Read(1u << 20, 100), ZLibEx::EZDecompressionError);
    EXPECT_EQ(browser->served->Block("big.log")->Read(0, 100).bytes, Files().at("big.log").substr(0, 100));

    // A flipped byte in a sealed setting stops the start-up as a damaged one does.
    std::string setting = image;
    setting[payloadAt(setting, "cOnStart") + 15] ^= 0x01;
    Start(setting, kPassword);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "data error.");
    EXPECT_FALSE(pages_ready);
}

TEST_F(ProtectedEBookTest, RebuildsAreIdenticalAndAChangeNeverReusesANonceForOtherBytes) {
    EXPECT_EQ(Build(dir, Files(), "again") == image, true);
    // One page changed, its size kept: the same salt, and so the same key.
    const std::string changed = Build(dir, Files("SECRET-ECHO!"), "changed");
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(Payload(changed, "cpass"), Payload(image, "cpass"));
    const std::vector<std::string> names = {"index.html", "notes.txt",  "big.log", "cOnStart", "cOnClose", "chome",
                                            SimExe::AccessIndexName("big.log"), "/zorbin/search"};
    const auto before = SealedByNonce(image, names), after = SealedByNonce(changed, names);
    std::size_t shared = 0, differing = 0;
    for (const auto& [nonce, sealed] : after) {
        const auto old = before.find(nonce);
        if (old == before.end()) {
            ++differing;
            continue;
        }
        ++shared;
        EXPECT_EQ(old->second == sealed, true) << "a nonce of the old book sealed other bytes";
    }
    EXPECT_GT(shared, 5u);     // what did not change seals as before
    EXPECT_GT(differing, 0u);  // the changed page (and the index) seal anew
    EXPECT_NE(Payload(changed, "index.html"), Payload(image, "index.html"));
}

}  // namespace
