// The media of the eBook, played inside WebKit's web process straight from
// the eBook's file: a GStreamer source for "ebook://ebook/…" addresses that
// reads the page blocks in place, at any offset the player asks for, so
// demuxers read it as they read a local file (exact durations and seeks,
// Ogg's included) and nothing of the book is buffered on disk.
#pragma once

#include <string>

namespace zorbin_extension {

// The name WebKit's media player must be allowed to hand to GStreamer.
inline constexpr char kMediaScheme[] = "ebook";

// Maps the eBook at `imageFile` and registers the source with the web
// process's GStreamer; false when either cannot be done.
bool RegisterBookMediaSource(const std::string& imageFile);

}  // namespace zorbin_extension
