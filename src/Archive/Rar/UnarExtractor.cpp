#include "Archive/Rar/UnarExtractor.h"

#include "Archive/Rar/PtyChild.h"
#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarErrorClassifier.h"
#include "Archive/Rar/RarProgressMeter.h"
#include "Archive/Rar/UnarOutputParser.h"

#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// How long one wait for output lasts: the longest a cancellation waits.
constexpr int kPollMs = 50;
// The exit code judged when unar was stopped after a failed entry.
constexpr int kStoppedEarly = 1;

QStringList unarArguments(const QString& archivePath, const QString& folder)
{
    // -D: no folder of its own; -s: never ask about names already taken
    // (an archive may hold one twice); -nr: no archives inside the archive;
    // -k skip: no AppleDouble files; -E: the typed password is UTF-8.
    return { u"-o"_s, folder,    u"-D"_s, u"-s"_s,    u"-nr"_s,
             u"-k"_s, u"skip"_s, u"-E"_s, u"UTF-8"_s, QFileInfo(archivePath).absoluteFilePath() };
}

// The terminal ends a line at "\n" and cannot carry a NUL byte.
bool isTypeable(const QByteArray& password)
{
    return !password.contains('\n') && !password.contains('\0');
}

} // namespace

UnarExtractor::UnarExtractor(RarProgressMeter& meter, qsizetype expectedEntries)
    : m_meter(meter)
    , m_expectedEntries(expectedEntries)
{
}

QString UnarExtractor::program()
{
    return QStandardPaths::findExecutable(u"unar"_s);
}

void UnarExtractor::setPromptObserver(std::function<void(qint64)> observer)
{
    m_promptObserver = std::move(observer);
}

RarOutcome UnarExtractor::extract(const QString& archivePath, const QString& folder,
                                  const std::optional<QString>& password)
{
    std::optional<QByteArray> typed;
    if (password)
        typed = password->toUtf8();
    if (typed && !isTypeable(*typed))
        return RarOutcome::failure(RarArchive::badPassword);
    const QString unar = program();
    PtyChild child;
    if (unar.isEmpty() || !child.start(unar, unarArguments(archivePath, folder)))
        return RarOutcome::failure(RarArchive::unknown);
    m_meter.begin(m_expectedEntries);
    UnarOutputParser parser;
    return converse(child, parser, typed);
}

RarOutcome UnarExtractor::converse(PtyChild& child, UnarOutputParser& parser,
                                   const std::optional<QByteArray>& password)
{
    int exitCode = -1;
    for (;;) {
        if (m_meter.isCancelled()) {
            child.stop();
            return RarOutcome::cancellation();
        }
        QByteArray output;
        const PtyChild::ReadResult result = child.read(output, kPollMs);
        if (result == PtyChild::ReadResult::closed)
            break;
        if (result == PtyChild::ReadResult::timeout) {
            // A child that handed its terminal on could end without closing it.
            if (child.tryWait(exitCode))
                return judge(exitCode, parser, password.has_value());
            continue;
        }
        const int finishedBefore = parser.finishedEntries();
        parser.feed(output);
        if (m_expectedEntries > 0)
            m_meter.advance(parser.finishedEntries() - finishedBefore);
        // One failed entry fails the whole run: no need to wait for the rest.
        if (parser.failedEntries() > 0) {
            child.stop();
            return judge(kStoppedEarly, parser, password.has_value());
        }
        if (const std::optional<RarOutcome> refusal = answerPrompts(child, parser, password))
            return *refusal;
    }
    exitCode = child.wait();
    return judge(exitCode, parser, password.has_value());
}

std::optional<RarOutcome> UnarExtractor::answerPrompts(PtyChild& child, UnarOutputParser& parser,
                                                       const std::optional<QByteArray>& password)
{
    if (parser.isAskingQuestion()) {
        child.stop();
        return RarOutcome::failure(RarArchive::unknown);
    }
    if (parser.takePasswordPrompts() == 0)
        return std::nullopt;
    // A second prompt means the first answer was refused.
    if (!password || m_answered) {
        child.stop();
        return RarOutcome::failure(m_answered ? RarArchive::badPassword : RarArchive::missingPassword);
    }
    if (m_promptObserver)
        m_promptObserver(child.pid());
    m_answered = true;
    if (!child.write(QByteArray(*password + '\n'))) {
        child.stop();
        return RarOutcome::failure(RarArchive::unknown);
    }
    return std::nullopt;
}

RarOutcome UnarExtractor::judge(int exitCode, const UnarOutputParser& parser, bool withPassword) const
{
    const bool failed = exitCode != 0 || parser.failedEntries() > 0 || parser.archiveFailed();
    // Nothing extracted from an archive that lists entries, or whose names
    // were encrypted, is no success either.
    const bool empty = parser.finishedEntries() == 0 && (m_expectedEntries > 0 || withPassword);
    if (!failed && !empty)
        return RarOutcome::success();
    // Killed or crashed: that says nothing about the password.
    if (exitCode < 0)
        return RarOutcome::failure(RarArchive::unknown);
    if (exitCode == 2 && !m_answered)
        return RarOutcome::failure(RarArchive::missingPassword);
    const int code = parser.firstFailure().isEmpty() ? RarArchive::badData
                                                     : RarErrorClassifier::fromUnar(parser.firstFailure());
    // With a wrong key unar reads garbage: checksum errors, short reads,
    // damaged data. Only a failed write is the folder's fault.
    if (m_answered && code != RarArchive::writeFailed && code != RarArchive::noMemory)
        return RarOutcome::failure(RarArchive::badPassword);
    return RarOutcome::failure(code);
}
