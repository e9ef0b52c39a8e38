// dialog_session.h: what the user's session offers the dialog programs: a display to show them
// on, and a locale in which they can show UTF-8.
#pragma once

namespace platform {

// Whether a graphical session is at hand: display (DISPLAY) or wayland_display (WAYLAND_DISPLAY)
// is set and not empty. An empty value names no display.
bool has_display(const char* display, const char* wayland_display);

// Whether the environment's locale for character types (the first set of LC_ALL, LC_CTYPE and
// LANG; null or empty counts as unset) is installed on this system with UTF-8 as its character
// set. A name that merely says UTF-8 is not enough: a program cannot use a locale that is missing.
bool utf8_locale(const char* lc_all, const char* lc_ctype, const char* lang);

}  // namespace platform
