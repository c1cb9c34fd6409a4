// Reads and compresses the pages of a compile on worker threads, a bounded
// way ahead of the writer, and hands each one over strictly in list order:
// the eBook comes out byte for byte as a one-thread compile makes it, and a
// file that cannot be read fails at its own place in the list. A large file
// is cut into chunks, read and deflated independently on every worker, and
// never held whole in memory.
#pragma once

#include "AccessIndex.h"
#include "Chunks.h"
#include "PageRange.h"
#include "PageWords.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace SimExe::FileIO {
class PieceReader;
}

namespace compiler {

class PageCompressor {
public:
    struct Options {
        unsigned threads = 0;  // 0 means one per core
        std::string folder;    // relative paths are read against it; "" is the current folder
        std::uint64_t chunkedAbove = 4u << 20;  // larger files are cut into chunks
        std::size_t chunkSize = 1u << 20;       // the last chunk of a file may be shorter
        // What workers keep ahead of the writer, in chunks and in
        // compressed bytes, so memory stays the same for any size of book.
        // Many small pages fit in the bytes, so the workers go on through
        // the writer's pauses.
        std::size_t maxChunksAhead = 4096;
        std::size_t maxBytesAhead = 64u << 20;
        // Where the words of searched pages (HTML and text files up to
        // wordsUpTo bytes) go, when the search index is made: in list order,
        // one call at a time, on a worker. Workers make words before they
        // compress, as long as no more than wordsAhead pages' words wait to
        // be handed over, so that the index is built while the pages are
        // still being compressed. A call may wait; a page whose words cannot
        // be made is left out. Reading a page for its words takes about 20
        // times its size in memory, so chunked pages are read for them one
        // at a time.
        std::function<void(std::size_t file, search::PageWords words, std::uint64_t size)> pageWords;
        std::function<void()> wordsDone;  // once, after the last file's words went to pageWords
        std::uint64_t wordsUpTo = 16u << 20;
        std::size_t wordsAhead = 16;

        // How many chunks a file of `size` bytes is compressed in.
        std::uint64_t ChunksOf(std::uint64_t size) const {
            return size <= chunkedAbove ? 1 : (size + chunkSize - 1) / chunkSize;
        }
    };

    // Where TakePage hands a page over.
    struct PageSink {
        std::function<void(std::string_view)> write;  // the block payload, piece by piece
        std::function<void()> chunkWritten;           // after each chunk's bytes
        std::function<void()> idle;                   // now and then while waiting
    };

    // Starts compressing the files (paths as the file layer is to name them).
    PageCompressor(std::vector<std::string> paths, Options options);
    ~PageCompressor();
    PageCompressor(const PageCompressor&) = delete;
    PageCompressor& operator=(const PageCompressor&) = delete;

    // What TakePage gives back besides the payload.
    struct TakenPage {
        std::optional<SimExe::AccessIndex> accessIndex;  // of a page of more than one chunk
    };

    // Hands the block payload of file `index` to the sink as one zlib
    // stream: the header, each chunk as soon as it is ready, the trailer.
    // In a protected book (`sealed`), a page of one chunk is that stream
    // sealed whole, and a chunked page its chunks, each sealed on its own.
    // Files are taken in order from 0 on. Raises that file's error.
    TakenPage TakePage(std::size_t index, const PageSink& sink, const SimExe::SealedBlock* sealed = nullptr);
    // Waits until the words of every file were handed over, calling `idle`
    // now and then. Raises the error of a file that could not be read for
    // its words: the index would go without it.
    void AwaitWords(const std::function<void()>& idle);

private:
    // One chunk of one file, from its reading to its handing over.
    struct Job {
        std::size_t file = 0;
        std::uint64_t chunk = 0, count = 1;  // which of how many
        std::uint64_t offset = 0;            // in the file
        std::size_t length = 0;              // as the file's size at its opening gave it
        bool done = false;
        ZLibEx::DeflatedChunk deflated;
        std::exception_ptr error;
    };
    // The file whose chunks are being handed out to workers.
    struct Cursor {
        std::size_t file = 0;
        std::shared_ptr<const SimExe::FileIO::PieceReader> reader;
        std::uint64_t size = 0, count = 0, next = 0;
    };

    void Work();
    void PlanFile(std::unique_lock<std::mutex>& lock);
    void Compress(Job& job, const SimExe::FileIO::PieceReader& file) const;
    // A file's words, with its size.
    struct MadeWords {
        search::PageWords words;
        std::uint64_t size = 0;
    };
    void MakeWords(std::unique_lock<std::mutex>& lock);
    std::optional<MadeWords> WordsOf(std::size_t file) const;
    void HandOverWords(std::unique_lock<std::mutex>& lock);
    // Waits on `changed_` until `ready`, calling `idle` every 40 ms.
    template <typename Ready>
    void WaitIdling(std::unique_lock<std::mutex>& lock, const std::function<void()>& idle, Ready ready);
    Job TakeJob(const std::function<void()>& idle);

    const std::vector<std::string> paths_;
    const std::vector<bool> sourceCopies_;  // pages not searched apart from the page they are the source of
    const Options options_;
    mutable std::mutex largeWords_;  // held while a chunked page is read for its words
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t nextFile_ = 0;     // the next file to open
    bool planning_ = false;        // a worker is opening a file
    Cursor cursor_;
    std::deque<Job> jobs_;         // begun and not yet taken, in list order
    std::size_t aheadBytes_ = 0;   // compressed bytes waiting to be taken
    const std::size_t wordsEnd_;   // how many files have words made: all or none
    std::size_t nextWords_ = 0;    // the next file to make words of
    std::size_t wordsHanded_ = 0;  // how many files' words were handed over
    std::map<std::size_t, std::optional<MadeWords>> wordsMade_;  // by file, waiting to be handed over
    bool handingOver_ = false;     // a worker is handing words over
    std::exception_ptr wordsError_;  // of the first file that could not be read for its words
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace compiler
