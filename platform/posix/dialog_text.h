// dialog_text.h: a message as the desktop's dialog programs are given it, so that each shows the
// text exactly as written. Standard error gets the message unchanged; only dialogs get these.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// text with each CR LF, each lone CR and each lone LF turned into one LF.
std::string one_line_break_each(const std::string& text);

// text with every byte that is not part of a well-formed UTF-8 sequence replaced by U+FFFD, one
// replacement for each maximal ill-formed part (overlong forms, surrogates and code points
// beyond U+10FFFF count as ill-formed). Well-formed text comes back unchanged.
std::string valid_utf8(const std::string& text);

// The two steps above: line breaks as LF, then valid UTF-8. Dialog programs reject text that is
// not UTF-8, and show a CR as a visible character or not at all.
std::string dialog_text(const std::string& text);

// The most bytes of a message a dialog program is given as an argument: more than a person reads
// in a message box, and far below the system's limit on one argument (128 KiB), also after
// kdialog_text's escapes, which make each byte at most five.
const std::size_t readable_length = 4000;

// text (valid UTF-8) unchanged when it holds at most limit bytes; otherwise its first limit bytes,
// less a character cut in two, and a line break and "…" that show it was cut.
std::string readable_text(const std::string& text, std::size_t limit);

// text as kdialog's message box shows it literally: kdialog turns "\\" into "\" and "\n" into a
// line break, and Qt renders anything that looks like markup, so backslashes are doubled and the
// text goes as rich text with its markup characters escaped and its blanks and line breaks
// preserved.
std::string kdialog_text(const std::string& text);

}  // namespace platform
