// An eBook's bytes built block by block in a test, opened as a book.
#pragma once

#include "Book.h"
#include "SimExe.h"
#include "ZLibEx.h"

#include <memory>
#include <string>

struct BookImage {
    std::string bytes = "viewer image";

    // A page or setting block, compressed as the compiler stores it.
    void Add(const std::string& name, const std::string& content) {
        SimExe::AppendBlock(name, ZLibEx::CompressString(content, ZLibEx::lvDefault), bytes);
    }
    std::shared_ptr<book::Book> Open() const { return book::Book::OfBytes(bytes); }
};
