#include "Archive/Extraction/Utf8LocaleScope.h"

Utf8LocaleScope::Utf8LocaleScope()
    : m_utf8(newlocale(LC_ALL_MASK, "C.UTF-8", locale_t(nullptr)))
{
    if (m_utf8)
        m_previous = uselocale(m_utf8);
}

Utf8LocaleScope::~Utf8LocaleScope()
{
    if (!m_utf8)
        return;
    uselocale(m_previous);
    freelocale(m_utf8);
}
