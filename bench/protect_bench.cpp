// A protected eBook against the same eBook without a password, in one
// process:
//   bench_protect kdf
//     prints the median time of opening a book's key with its password
//     (one Argon2id run at the cost books are compiled with), of 3;
//   bench_protect ranges PLAIN PROTECTED PAGE PASSWORD ROUNDS
//     reads 1 MB ranges at random offsets of PAGE, a chunked page, from
//     each book in turn (the protected one opened with PASSWORD) and prints
//     the median time of a range from each and their ratio.
#include "BookKey.h"
#include "BookLock.h"
#include "PageRange.h"
#include "SettingKeys.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Kdf() {
    const auto [key, record] = protect::BookKey::Create("a password", {});
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        if (!protect::BookKey::Unlock(record, "a password")) return 1;
        times.push_back(MillisecondsSince(start));
    }
    std::printf("kdf_ms %.1f\n", Median(times));
    return 0;
}

// The book in the file, opened with the password when given; none when it does not open.
std::shared_ptr<book::Book> OpenBook(const std::string& file, const std::string& password) {
    std::shared_ptr<book::Book> book = book::Book::Open(file);
    return password.empty() || book::Unlock(*book, book::LockOf(*book), password) ? book : nullptr;
}

int Ranges(const std::string& plain, const std::string& locked, const std::string& page, const std::string& password,
           int rounds) {
    constexpr std::uint64_t kRange = 1u << 20;
    std::vector<double> plainTimes, lockedTimes;
    std::mt19937_64 random(15);
    for (int round = 0; round < rounds; ++round) {
        for (const bool protectedBook : {false, true}) {
            const std::shared_ptr<book::Book> book = OpenBook(protectedBook ? locked : plain, protectedBook ? password : "");
            const std::optional<SimExe::StoredBlock> block = book ? book->Block(page) : std::nullopt;
            if (!block) {
                std::cerr << "the book does not open\n";
                return 1;
            }
            const std::uint64_t size = block->Read(0, 0).pageSize;
            for (int i = 0; i < 20; ++i) {
                const std::uint64_t offset = random() % (size - kRange);
                const auto start = Clock::now();
                const SimExe::PageBytes read = block->Read(offset, kRange);
                (protectedBook ? lockedTimes : plainTimes).push_back(MillisecondsSince(start));
                if (read.bytes.size() != kRange) return 1;
            }
        }
    }
    std::printf("range_plain_ms %.3f range_protected_ms %.3f ratio %.3f\n", Median(plainTimes), Median(lockedTimes),
                Median(lockedTimes) / Median(plainTimes));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "kdf" && argc == 2) return Kdf();
    if (mode == "ranges" && argc == 7) return Ranges(argv[2], argv[3], argv[4], argv[5], std::stoi(argv[6]));
    std::cerr << "usage: bench_protect kdf | bench_protect ranges PLAIN PROTECTED PAGE PASSWORD ROUNDS\n";
    return 2;
}
