// Page compression on worker threads, chunk by chunk.
#include "PageCompressor.h"

#include "ChunkDeflate.h"
#include "ChunkedBlock.h"
#include "FileIO.h"
#include "PageText.h"
#include "SimExe.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace compiler {

namespace {

// The largest read buffer a worker keeps between reads.
constexpr std::size_t kKeptReadBuffer = 1u << 20;

// A piece of a file, read into the calling worker's buffer, kept for its
// next read: pages read into new memory each time would cost a fresh,
// zeroed allocation for every read. Larger pieces are read into `large`.
std::string_view ReadReusing(const SimExe::FileIO::PieceReader& file, std::uint64_t offset, std::size_t length,
                             std::string& large) {
    thread_local std::string kept;
    return file.ReadInto(length > kKeptReadBuffer ? large : kept, offset, length);
}

}  // namespace

PageCompressor::PageCompressor(std::vector<std::string> paths, Options options)
    : paths_(std::move(paths)),
      sourceCopies_(search::SourceCopies(paths_)),
      options_(std::move(options)),
      wordsEnd_(options_.pageWords ? paths_.size() : 0) {
    const unsigned threads = options_.threads ? options_.threads : std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

PageCompressor::~PageCompressor() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
}

// Each worker makes the words of the next file while few wait to be handed
// over, else begins the next chunk in list order, opening the next file
// when the current one has no chunks left, as long as the writer is not
// too far behind.
void PageCompressor::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto chunkLeft = [&] { return cursor_.next < cursor_.count; };
        const auto fileLeft = [&] { return nextFile_ < paths_.size(); };
        const auto wordsLeft = [&] { return nextWords_ < wordsEnd_; };
        const auto wordsNext = [&] { return wordsLeft() && nextWords_ - wordsHanded_ < options_.wordsAhead; };
        changed_.wait(lock, [&] {
            const bool room = jobs_.size() < options_.maxChunksAhead && aheadBytes_ < options_.maxBytesAhead;
            return stopping_ || wordsNext() || (!chunkLeft() && !fileLeft() && !planning_ && !wordsLeft()) ||
                   (room && (chunkLeft() || (fileLeft() && !planning_)));
        });
        if (stopping_) return;
        if (wordsNext()) {
            MakeWords(lock);
            continue;
        }
        if (!chunkLeft() && !fileLeft()) {
            if (wordsLeft()) continue;
            return;
        }
        if (!chunkLeft()) {
            PlanFile(lock);
            continue;
        }
        Job& job = jobs_.emplace_back();
        job.file = cursor_.file;
        job.chunk = cursor_.next++;
        job.count = cursor_.count;
        const std::uint64_t length = cursor_.count == 1 ? cursor_.size : options_.chunkSize;
        job.offset = job.chunk * length;
        job.length = static_cast<std::size_t>(std::min(length, cursor_.size - job.offset));
        const Job plan = job;
        // The file closes when the last of its chunks is read.
        const std::shared_ptr<const SimExe::FileIO::PieceReader> reader = std::move(cursor_.reader);
        if (chunkLeft()) cursor_.reader = reader;
        lock.unlock();
        Job done = plan;
        try {
            Compress(done, *reader);
        } catch (...) {
            done.error = std::current_exception();
        }
        lock.lock();
        job.deflated = std::move(done.deflated);
        job.error = done.error;
        job.done = true;
        aheadBytes_ += job.deflated.bytes.size();
        changed_.notify_all();
    }
}

// Opens the next file (without the lock) and makes it the cursor; a file
// that cannot be opened becomes one chunk that carries the error.
void PageCompressor::PlanFile(std::unique_lock<std::mutex>& lock) {
    const std::size_t file = nextFile_++;
    planning_ = true;
    lock.unlock();
    std::shared_ptr<const SimExe::FileIO::PieceReader> reader;
    std::exception_ptr error;
    try {
        reader = std::make_shared<SimExe::FileIO::PieceReader>(
            paths_[file], SimExe::PathAgainst(paths_[file], options_.folder).c_str());
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    planning_ = false;
    if (error) {
        Job& failed = jobs_.emplace_back();
        failed.file = file;
        failed.error = error;
        failed.done = true;
    } else {
        cursor_ = Cursor{file, reader, reader->Size(), options_.ChunksOf(reader->Size()), 0};
    }
    changed_.notify_all();
}

// Reads one chunk, one byte more at the file's end to see that it ends
// there, and deflates it.
void PageCompressor::Compress(Job& job, const SimExe::FileIO::PieceReader& file) const {
    const bool last = job.chunk + 1 == job.count;
    std::string large;
    const std::string_view data = ReadReusing(file, job.offset, job.length + (last ? 1 : 0), large);
    if (data.size() != job.length)
        throw SimExe::EFileError("The file " + paths_[job.file] + " changed while it was compiled");
    // The tags that begin block markers never appear raw in a payload, where
    // one would cut a block short or be found by a lookup: a page that holds
    // them (an eBook inside an eBook) is never stored as it is.
    job.deflated = ZLibEx::DeflateChunk(data, last, {SimExe::StartTag(), SimExe::EndTag()});
}

// Makes the words of the next file (without the lock), then hands over
// those that are next in list order.
void PageCompressor::MakeWords(std::unique_lock<std::mutex>& lock) {
    const std::size_t file = nextWords_++;
    lock.unlock();
    std::optional<MadeWords> made;
    std::exception_ptr error;
    try {
        made = WordsOf(file);
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    if (error && !wordsError_) wordsError_ = error;
    wordsMade_.emplace(file, std::move(made));
    HandOverWords(lock);
}

// A file that cannot be read raises; a page that cannot be read as a page
// is searched for as far as it could be read, which may be not at all.
std::optional<PageCompressor::MadeWords> PageCompressor::WordsOf(std::size_t file) const {
    if (search::KindOfPage(paths_[file]) == search::PageKind::kNone || sourceCopies_[file]) return std::nullopt;
    const SimExe::FileIO::PieceReader reader(paths_[file], SimExe::PathAgainst(paths_[file], options_.folder).c_str());
    const std::uint64_t size = reader.Size();
    if (size > options_.wordsUpTo) return std::nullopt;
    std::unique_lock<std::mutex> oneAtATime(largeWords_, std::defer_lock);
    if (options_.ChunksOf(size) > 1) oneAtATime.lock();
    std::string large;
    const std::string_view bytes = ReadReusing(reader, 0, size, large);
    try {
        std::optional<search::PageWords> words = search::WordsOfPage(paths_[file], bytes);
        if (!words) return std::nullopt;
        return MadeWords{std::move(*words), size};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// One worker at a time hands over, in list order, the words made so far
// (the call to pageWords without the lock: it may wait for the index).
void PageCompressor::HandOverWords(std::unique_lock<std::mutex>& lock) {
    if (handingOver_) return;
    handingOver_ = true;
    for (auto next = wordsMade_.find(wordsHanded_); next != wordsMade_.end(); next = wordsMade_.find(wordsHanded_)) {
        std::optional<MadeWords> made = std::move(next->second);
        wordsMade_.erase(next);
        if (made && !stopping_) {
            lock.unlock();
            try {
                options_.pageWords(wordsHanded_, std::move(made->words), made->size);
            } catch (const std::exception&) {
                // The index goes without this page.
            }
            lock.lock();
        }
        if (++wordsHanded_ == wordsEnd_ && options_.wordsDone && !stopping_) {
            lock.unlock();
            options_.wordsDone();
            lock.lock();
        }
    }
    handingOver_ = false;
    changed_.notify_all();
}

template <typename Ready>
void PageCompressor::WaitIdling(std::unique_lock<std::mutex>& lock, const std::function<void()>& idle, Ready ready) {
    while (!changed_.wait_for(lock, std::chrono::milliseconds(40), ready)) {
        lock.unlock();
        if (idle) idle();
        lock.lock();
    }
}

void PageCompressor::AwaitWords(const std::function<void()>& idle) {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitIdling(lock, idle, [&] { return wordsHanded_ == wordsEnd_; });
    if (wordsError_) std::rethrow_exception(wordsError_);
}

PageCompressor::Job PageCompressor::TakeJob(const std::function<void()>& idle) {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitIdling(lock, idle, [&] { return !jobs_.empty() && jobs_.front().done; });
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    aheadBytes_ -= job.deflated.bytes.size();
    lock.unlock();
    changed_.notify_all();
    return job;
}

// The chunks follow one another behind the zlib header; the trailer holds
// the Adler-32 of the whole content, combined from those of the chunks.
PageCompressor::TakenPage PageCompressor::TakePage(std::size_t index, const PageSink& sink,
                                                   const SimExe::SealedBlock* sealed) {
    TakenPage taken;
    std::optional<SimExe::ChunkedBlockWriter> writer;
    std::string whole;  // a page of one chunk, sealed whole once it is complete
    for (;;) {
        Job job = TakeJob(sink.idle);
        if (job.file != index) throw std::logic_error("pages taken out of order");
        if (job.error) std::rethrow_exception(job.error);
        if (job.chunk == 0) {
            const bool sealWhole = sealed && job.count == 1;
            writer.emplace(sealWhole ? [&](std::string_view bytes) { whole.append(bytes); } : sink.write,
                           sealed && !sealWhole ? sealed : nullptr);
        }
        writer->Add(job.deflated, job.length);
        if (sink.chunkWritten) sink.chunkWritten();
        if (job.chunk + 1 == job.count) break;
    }
    SimExe::AccessIndex accessIndex = writer->Finish();
    if (sealed && accessIndex.chunks.size() == 1)
        sink.write(SimExe::SealPayload(sealed->seal, whole, sealed->name, SimExe::BlockSeal::kWholeBlock));
    if (accessIndex.chunks.size() > 1) taken.accessIndex = std::move(accessIndex);
    return taken;
}

}  // namespace compiler
