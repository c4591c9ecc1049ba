#include "Archive/Rar/RarVolumes.h"

#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// Old-style continuation suffixes run r00..r99, then s00..s99 and so on.
constexpr int kOldStyleLetters = 26 - ('r' - 'a');

QString oldStyleSuffix(int index, QChar firstLetter)
{
    const QChar letter(firstLetter.unicode() + index / 100);
    return u'.' + letter + u"%1"_s.arg(index % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

QStringList RarVolumes::find(const QString& path)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QString name = info.fileName();
    static const QRegularExpression numbered(u"^(.*\\.part)(\\d+)(\\.rar)$"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression oldRar(u"^(.*)(\\.(?:rar|[r-z]\\d\\d))$"_s,
                                           QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = numbered.match(name); match.hasMatch()) {
        const QStringList parts
            = numberedParts(folder, match.captured(1), match.captured(3), match.capturedLength(2));
        if (parts.size() > 1)
            return parts;
    }
    if (const QRegularExpressionMatch match = oldRar.match(name); match.hasMatch()) {
        const QStringList parts = oldStyle(folder, match.captured(1), match.captured(2));
        if (parts.size() > 1)
            return parts;
    }
    return { info.absoluteFilePath() };
}

QStringList RarVolumes::numberedParts(const QString& folder, const QString& stem, const QString& suffix,
                                      qsizetype width)
{
    QStringList parts;
    for (int number = 1;; ++number) {
        const QString candidate
            = folder + u'/' + stem + u"%1"_s.arg(number, int(width), 10, QLatin1Char('0')) + suffix;
        if (!QFileInfo(candidate).isFile())
            return parts;
        parts.append(candidate);
    }
}

QStringList RarVolumes::oldStyle(const QString& folder, const QString& stem, const QString& firstSuffix)
{
    // Keep the case the set was written in: "NAME.RAR" continues as "NAME.R00".
    const bool upper = firstSuffix.at(1).isUpper();
    const QString first = folder + u'/' + stem + (upper ? u".RAR"_s : u".rar"_s);
    if (!QFileInfo(first).isFile())
        return {};
    QStringList parts { first };
    for (int index = 0; index < kOldStyleLetters * 100; ++index) {
        const QString suffix = oldStyleSuffix(index, upper ? u'R' : u'r');
        const QString candidate = folder + u'/' + stem + suffix;
        if (!QFileInfo(candidate).isFile())
            break;
        parts.append(candidate);
    }
    return parts;
}
