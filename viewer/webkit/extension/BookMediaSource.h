// The media of the eBook, played inside WebKit's web process straight from
// the eBook's file: a GStreamer source for "ebook://ebook/…" addresses that
// reads the page blocks in place, at any offset the player asks for, so
// demuxers read it as they read a local file (exact durations and seeks,
// Ogg's included) and nothing of the book is buffered on disk.
#pragma once

#include "Book.h"

#include <memory>

namespace zorbin_extension {

// The name WebKit's media player must be allowed to hand to GStreamer.
inline constexpr char kMediaScheme[] = "ebook";

// Registers the source of the book's media with the web process's
// GStreamer; false when that cannot be done.
bool RegisterBookMediaSource(std::shared_ptr<const book::Book> book);

}  // namespace zorbin_extension
