#pragma once

#include <QLocale>
#include <QString>

// The user's most preferred language, as the event reports send it and as
// the pictures with words in them are chosen by it.
class PreferredLanguage
{
public:
    PreferredLanguage() = delete;

    // The first of the locale's preferred languages ("zh-Hans-CN", "en-US"),
    // empty when the locale names none.
    static QString first(const QLocale& locale = QLocale::system());

    // Whether that language is a Chinese one: pictures then come in their
    // "_zh" variant.
    static bool isChinese(const QLocale& locale = QLocale::system());
};
