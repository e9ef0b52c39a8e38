// dialog_session.cpp: what the session offers the dialog programs (see dialog_session.h).

#include "platform/posix/dialog_session.h"

#include <locale.h>

#include <initializer_list>
#include <string>

namespace platform {

namespace {

// Whether a locale name such as "de_DE.UTF-8" or "C.utf8" names the UTF-8 character set. The
// name has to tell: in the statically linked program the C library reports the character set of
// every locale it loads as ASCII.
bool names_utf8(const std::string& name)
{
    std::string folded;
    for (const char c : name)
        if (c != '-' && c != '_') folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return folded.find(".utf8") != std::string::npos;
}

bool installed(const char* name)
{
    const locale_t locale = newlocale(LC_CTYPE_MASK, name, nullptr);
    if (locale == nullptr) return false;
    freelocale(locale);
    return true;
}

}  // namespace

bool has_display(const char* display, const char* wayland_display)
{
    for (const char* name : {display, wayland_display})
        if (name != nullptr && *name != 0) return true;
    return false;
}

bool utf8_locale(const char* lc_all, const char* lc_ctype, const char* lang)
{
    for (const char* name : {lc_all, lc_ctype, lang})
        if (name != nullptr && *name != 0) return names_utf8(name) && installed(name);
    return false;
}

}  // namespace platform
