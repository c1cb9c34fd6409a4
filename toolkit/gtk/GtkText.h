// Text between the model and GTK: the model separates lines with CR LF and
// holds bytes, GTK separates them with LF and wants valid UTF-8.
#pragma once

#include <string>

namespace toolkit::gtk {

// CR LF (and a lone CR) become LF; bytes that are not UTF-8 become U+FFFD.
std::string ToGtkText(const std::string& modelText);
// Every LF becomes CR LF.
std::string ToModelText(const char* gtkText);

// A text for GTK where empty means none (a label, a tooltip): null when empty.
inline const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace toolkit::gtk
