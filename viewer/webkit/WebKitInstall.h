// Puts the WebKit browser into the viewer: every browser control gets a
// WebKitBrowser, and the GTK binding shows that browser's web view for it.
#pragma once

namespace viewer::webkit {

void Install();

}  // namespace viewer::webkit
