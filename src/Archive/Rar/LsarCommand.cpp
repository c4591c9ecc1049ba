#include "Archive/Rar/LsarCommand.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// Listing reads headers only; even large sets take seconds.
constexpr int kListingTimeoutMs = 120'000;

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
    process.start(program, { u"-j"_s, u"-nr"_s, QFileInfo(archivePath).absoluteFilePath() });
    if (!process.waitForFinished(kListingTimeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return Result { LsarListing::parse(process.readAllStandardOutput()), process.exitCode() };
}
