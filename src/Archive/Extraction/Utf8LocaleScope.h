#pragma once

#include <locale.h>

// Switches the calling thread (only) to the C.UTF-8 locale while it lives.
// libarchive converts names through the thread's locale: under it, names
// flagged UTF-8 come back as UTF-8 and other names as their raw bytes,
// whatever locale the user runs, instead of NULL under "C".
class Utf8LocaleScope
{
public:
    Utf8LocaleScope();
    ~Utf8LocaleScope();
    Utf8LocaleScope(const Utf8LocaleScope&) = delete;
    Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;

private:
    locale_t m_utf8 = locale_t(nullptr);
    locale_t m_previous = locale_t(nullptr);
};
