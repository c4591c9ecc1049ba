#include "Archive/Extraction/ErrorText.h"

#include <QByteArray>

bool ErrorText::containsAny(QByteArrayView text, std::initializer_list<const char*> fragments)
{
    const QByteArray lower = text.toByteArray().toLower();
    for (const char* fragment : fragments) {
        if (lower.contains(fragment))
            return true;
    }
    return false;
}
