// The index database's connection and statements are given back to SQLite
// on every way out, failures included: LeakSanitizer fails these tests in
// the sanitizer build when one is not.
#include "IndexDatabase.h"

#include <gtest/gtest.h>

namespace search {
namespace {

TEST(IndexDatabase, OpeningsThatFailAfterSQLiteMadeTheConnection) {
    EXPECT_THROW(Database("file:index", "no such vfs"), EIndexError);
    EXPECT_THROW(Database("file:/no/such/folder/index?mode=ro", nullptr), EIndexError);
    EXPECT_THROW(Statement(Database(), "SELECT * FROM no_such_table"), EIndexError);
}

// While it lives, SQLite's nth memory allocation fails, the others are
// made as usual. SQLite takes a new allocator only while it is shut down.
class FailingAllocation {
public:
    explicit FailingAllocation(int nth) {
        sqlite3_shutdown();
        sqlite3_config(SQLITE_CONFIG_GETMALLOC, &usual_);
        sqlite3_mem_methods failing = usual_;
        failing.xMalloc = [](int size) { return --left_ == 0 ? nullptr : usual_.xMalloc(size); };
        failing.xRealloc = [](void* p, int size) { return --left_ == 0 ? nullptr : usual_.xRealloc(p, size); };
        left_ = nth;
        sqlite3_config(SQLITE_CONFIG_MALLOC, &failing);
    }
    ~FailingAllocation() {
        sqlite3_shutdown();
        sqlite3_config(SQLITE_CONFIG_MALLOC, &usual_);
    }
    bool Reached() const { return left_ <= 0; }

private:
    static inline sqlite3_mem_methods usual_;
    static inline int left_ = 0;
};

TEST(IndexDatabase, EveryFailedAllocationWhileOpeningLeavesNothingBehind) {
    int failures = 0;
    for (int nth = 1;; ++nth) {
        ASSERT_LT(nth, 100000) << "SQLite allocates without end";
        const FailingAllocation failing(nth);
        try {
            const Database db;
            RegisterWordListTokenizer(db);
            const Statement statement(db, "SELECT 1");
        } catch (const EIndexError&) {
            ++failures;
            continue;
        }
        if (!failing.Reached()) break;  // every allocation was made
    }
    EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace search
