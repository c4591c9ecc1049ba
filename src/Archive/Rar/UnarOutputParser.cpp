#include "Archive/Rar/UnarOutputParser.h"

#include <QRegularExpression>
#include <QString>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView kPasswordPrompt = "Password (will not be shown): ";

// "Failed! (reason)" ends an entry's line, or starts one when a prompt came
// between the entry's name and its result.
const QRegularExpression& entryFailure()
{
    static const QRegularExpression pattern(u"(?:^|\\.\\.\\. )Failed! \\((.*)\\)$"_s);
    return pattern;
}

// "Archive parsing failed! (reason)", "Couldn't open archive. (reason)",
// "Extraction to directory "x" failed! (reason)".
const QRegularExpression& archiveFailure()
{
    static const QRegularExpression pattern(
        u"^(?:Archive parsing failed!|Couldn't open archive\\.|Extraction to .* failed!) \\((.*)\\)$"_s);
    return pattern;
}

} // namespace

void UnarOutputParser::feed(QByteArrayView bytes)
{
    m_pending.append(bytes);
    qsizetype start = 0;
    for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n', start)) {
        QByteArrayView line = QByteArrayView(m_pending).sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        parseLine(line);
        start = end + 1;
    }
    m_pending.remove(0, start);
    checkPendingPrompt();
}

int UnarOutputParser::takePasswordPrompts()
{
    return std::exchange(m_prompts, 0);
}

bool UnarOutputParser::isAskingQuestion() const
{
    // "(s)kip, (S)kip all, (q)uit? " and the like; entry lines in progress end in "... ".
    return m_pending.endsWith("? ");
}

void UnarOutputParser::parseLine(QByteArrayView line)
{
    if (line.endsWith(kPasswordPrompt)) {
        ++m_prompts;
        return;
    }
    const QString text = QString::fromUtf8(line);
    if (text.endsWith("... OK."_L1) || text == "OK."_L1) {
        ++m_succeeded;
    } else if (const QRegularExpressionMatch match = entryFailure().match(text); match.hasMatch()) {
        ++m_failed;
        noteFailure(match.captured(1).toUtf8());
    } else if (const QRegularExpressionMatch archive = archiveFailure().match(text); archive.hasMatch()) {
        m_archiveFailed = true;
        noteFailure(archive.captured(1).toUtf8());
    } else if (text.endsWith(": Couldn't recognize the archive format."_L1)) {
        m_archiveFailed = true;
        noteFailure("Couldn't recognize the archive format");
    }
}

void UnarOutputParser::noteFailure(QByteArrayView reason)
{
    if (m_firstFailure.isEmpty())
        m_firstFailure = reason.toByteArray();
}

void UnarOutputParser::checkPendingPrompt()
{
    // The prompt ends without a newline; what follows it starts a fresh line.
    if (m_pending.endsWith(kPasswordPrompt)) {
        ++m_prompts;
        m_pending.clear();
    }
}
