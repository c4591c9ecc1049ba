#include "Resources/LocalizedText.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

QString localizedText(const char* key)
{
    return QCoreApplication::translate(kLocalizedTextContext, key);
}

QString localizedText(const QString& key)
{
    return localizedText(key.toUtf8().constData());
}

bool installTranslations(const QLocale& locale)
{
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }

    const QString language
        = locale.language() == QLocale::Chinese ? QStringLiteral("zh_CN") : QStringLiteral("en");
    auto translator = new QTranslator;
    if (!translator->load(QStringLiteral(":/i18n/kestrel_") + language + QStringLiteral(".qm"))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}
