#include "Resources/PreferredLanguage.h"

#include <QStringList>

using namespace Qt::StringLiterals;

QString PreferredLanguage::first(const QLocale& locale)
{
    const QStringList languages = locale.uiLanguages();
    return languages.isEmpty() ? QString() : languages.first();
}

bool PreferredLanguage::isChinese(const QLocale& locale)
{
    return first(locale).startsWith("zh"_L1);
}
