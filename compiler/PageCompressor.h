// Reads and compresses the pages of a compile on worker threads, a bounded
// way ahead of the writer, and hands each one over strictly in list order:
// the eBook comes out byte for byte as a one-thread compile makes it, and a
// file that cannot be read fails at its own place in the list.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace compiler {

class PageCompressor {
public:
    // Starts compressing the files (paths as the file layer is to name
    // them; relative ones are read against `folder`, or the current folder)
    // on `threads` workers; 0 means one per core.
    explicit PageCompressor(std::vector<std::string> paths, unsigned threads = 0, std::string folder = "");
    ~PageCompressor();
    PageCompressor(const PageCompressor&) = delete;
    PageCompressor& operator=(const PageCompressor&) = delete;

    // The compressed bytes of file `index`, taken in order from 0 on.
    // Raises that file's error. While waiting, `idle` runs now and then.
    std::string Take(std::size_t index, const std::function<void()>& idle);

private:
    struct Slot {
        bool done = false;
        std::string payload;
        std::exception_ptr error;
    };
    void Work();

    std::vector<std::string> paths_;
    std::string folder_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;      // the next file a worker takes
    std::size_t taken_ = 0;     // files handed over so far
    std::size_t aheadBytes_ = 0;  // compressed bytes waiting to be taken
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace compiler
