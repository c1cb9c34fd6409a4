// The reader's place on the page shown (reader-place.js): the view tells it
// as the reader scrolls, and is taken back to one told before.
#pragma once

#include <functional>
#include <string>

typedef struct _WebKitWebView WebKitWebView;

namespace viewer::webkit {

// What the view tells: an element at the top of the view and how far down it the view's top stands.
using PlaceTold = std::function<void(const std::string& spot, double fraction)>;

// Gives every page the view shows the place script, and calls `told` with
// each place it tells. Once per view; returns the handler of the view's
// content manager that calls `told`, to disconnect before `told` goes.
unsigned long FollowReaderPlace(WebKitWebView* view, PlaceTold told);

// Scrolls the page shown to a place told before.
void ShowReaderPlace(WebKitWebView* view, const std::string& spot, double fraction);

}  // namespace viewer::webkit
