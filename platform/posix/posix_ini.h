// posix_ini.h: the INI reader of the POSIX build, made to return what the Windows reader returns.
//
// The rules it follows, as the Windows reader applies them:
// - Lines end at CR or LF. A leading UTF-8 byte-order mark is skipped; a file that starts with a
//   UTF-16 byte-order mark (either order) is read as UTF-16 and its text taken as UTF-8.
// - Blanks (tab, vertical tab, form feed, space and the DOS end-of-file byte 0x1A) are trimmed
//   around lines, section names, key names, values and the names asked for.
// - "[name]" starts a section, its name ending at the line's last "]"; a line that starts with
//   "[" but has no "]" is an ordinary line. Lines before the first section form a section with
//   the empty name.
// - Other lines are "key=value" (split at the first "="); a line without "=" is a key without a
//   value. Lines starting with ";" are nothing special: no one asks for such a key.
// - Section and key names compare without regard to ASCII case. Only the first section with
//   the name asked for is searched, and the first key with the name asked for in it wins.
// - A zero byte ends a name or a value.
// - A value enclosed in matching single or double quotes loses them.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The value of key in section of the INI text contents, cut to size - 1 bytes, as the Windows
// reader stores it in a buffer of size bytes. When the section or key is missing, or the key has
// no "=", the result is default_value with its trailing spaces removed (its first byte always
// kept) and its quotes stripped like a value's. Empty when size is 0. Never holds a zero byte.
std::string read_ini_value(const std::string& contents, const std::string& section,
                           const std::string& key, const std::string& default_value,
                           std::size_t size);

// read_ini_value over the file at path. The file is only read: never created, changed or
// locked. A path that names no regular file (missing, unreadable, a directory, a device or a
// pipe) reads as an empty file, so the default applies. Only the first 64 MiB are read.
std::string read_ini_file_value(const std::string& path, const std::string& section,
                                const std::string& key, const std::string& default_value,
                                std::size_t size);

}  // namespace platform
