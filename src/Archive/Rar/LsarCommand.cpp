#include "Archive/Rar/LsarCommand.h"

#include "Archive/ChildLifetime.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// lsar reads headers only, at about ten thousand entries a second here, and
// an entry takes at least a few dozen bytes: a few seconds a MiB is ample.
// Some damaged archives send lsar 1.10.1 into an endless loop, and the
// listing is waited for on the window's thread, so the limit is kept close.
constexpr qint64 kBaseTimeoutMs = 5'000;
constexpr qint64 kTimeoutMsPerMiB = 4'000;
constexpr qint64 kMaxTimeoutMs = 120'000;

int listingTimeoutMs(const QString& archivePath)
{
    const qint64 mebibytes = QFileInfo(archivePath).size() / (1024 * 1024);
    return int(std::min(kBaseTimeoutMs + mebibytes * kTimeoutMsPerMiB, kMaxTimeoutMs));
}

} // namespace

std::optional<LsarCommand::Result> LsarCommand::list(const QString& archivePath)
{
    const QString program = QStandardPaths::findExecutable(u"lsar"_s);
    if (program.isEmpty())
        return std::nullopt;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // No recursion: a RAR holding a single .tar.gz is listed as that file.
    // An absolute path never reads as an option.
    ChildLifetime::tieToCaller(process);
    process.start(program, { u"-j"_s, u"-nr"_s, QFileInfo(archivePath).absoluteFilePath() });
    if (!process.waitForFinished(listingTimeoutMs(archivePath))
        || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return Result { LsarListing::parse(process.readAllStandardOutput()), process.exitCode() };
}
