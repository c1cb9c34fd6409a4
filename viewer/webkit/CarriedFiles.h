// Files the viewer carries inside its own program, built in at build time:
// an eBook is one file, so nothing the viewer needs may lie beside it.
#pragma once

#include <string_view>

namespace viewer::webkit {

// The extension module of WebKit's web process (see extension/).
std::string_view WebExtensionModule();

// The script run in every frame of the pages (page-addresses.js).
std::string_view PageAddressScript();

// The script that highlights a named element (anchor-highlight.js).
std::string_view AnchorHighlightScript();

// The script that tells and restores the reader's place on a page (reader-place.js).
std::string_view ReaderPlaceScript();

}  // namespace viewer::webkit
