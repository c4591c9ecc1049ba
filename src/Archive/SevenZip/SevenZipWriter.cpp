#include "Archive/SevenZip/SevenZipWriter.h"

#include "Archive/SevenZip/SevenZipProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString onOff(bool on)
{
    return on ? u"on"_s : u"off"_s;
}

QString randomText(int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += QChar(u"0123456789abcdefghijklmnopqrstuvwxyz"[QRandomGenerator::global()->bounded(36)]);
    return text;
}

bool isUsableName(const QString& name)
{
    return !name.isEmpty() && !name.startsWith(u'/') && name != u"."_s && name != u".."_s
        && !name.startsWith(u"../"_s);
}

// The path with its folder resolved, its last component as given: 7zz stores
// a link given as input as a link, yet follows links above it.
QString canonicalLocation(const QString& path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + u'/' + info.fileName();
}

bool isFree(const QString& path)
{
    struct stat status = {};
    return lstat(QFile::encodeName(path).constData(), &status) != 0 && errno == ENOENT;
}

bool isFreeOrEmptyFile(const QString& path)
{
    struct stat status = {};
    if (lstat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode) && status.st_size == 0;
}

} // namespace

SevenZipWriter::SevenZipWriter(const QString& archivePath)
    : m_archivePath(QDir::cleanPath(QFileInfo(archivePath).absoluteFilePath()))
{
}

void SevenZipWriter::addPath(const QString& path, const QString& pathInArchive)
{
    m_inputs.append({ QDir::cleanPath(QFileInfo(path).absoluteFilePath()), QDir::cleanPath(pathInArchive) });
}

bool SevenZipWriter::open()
{
    m_opened = false;
    m_error.clear();
    if (SevenZipProcess::executable().isEmpty())
        return fail(u"7zz is not installed"_s);
    if (!checkInputs() || !checkArchivePath())
        return false;
    m_opened = true;
    return true;
}

bool SevenZipWriter::checkInputs()
{
    if (m_inputs.isEmpty())
        return fail(u"nothing to add"_s);
    const QString archive = canonicalLocation(m_archivePath);
    for (const SevenZipAddPlan::Input& input : std::as_const(m_inputs)) {
        struct stat status = {};
        if (lstat(QFile::encodeName(input.path).constData(), &status) != 0)
            return fail(u"%1: %2"_s.arg(input.path, QString::fromLocal8Bit(strerror(errno))));
        if (SevenZipAddPlan::lastComponent(input.path).isEmpty() || !isUsableName(input.name))
            return fail(u"%1 cannot be stored as \"%2\""_s.arg(input.path, input.name));
        if (canonicalLocation(input.path) == archive)
            return fail(u"the archive cannot hold itself"_s);
    }
    return true;
}

bool SevenZipWriter::checkArchivePath()
{
    const QString folder = QFileInfo(m_archivePath).absolutePath();
    if (!QFileInfo(folder).isDir() || access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return fail(u"cannot write into %1"_s.arg(folder));
    // Only an empty file reserved for us may be replaced.
    if (!isFreeOrEmptyFile(m_archivePath))
        return fail(u"%1 already exists"_s.arg(m_archivePath));
    return true;
}

bool SevenZipWriter::write()
{
    if (!std::exchange(m_opened, false))
        return fail(u"the writer is not open"_s);
    m_error.clear();
    m_lastProgress = -1;
    const QString password = m_encodeContent && m_passwordGetter ? m_passwordGetter() : QString();
    const QString scratch = scratchArchivePath();
    // A stop that comes after 7zz is done still leaves no archive.
    if (runSteps(scratch, password) && (!m_canContinue || m_canContinue()) && replaceArchive(scratch)) {
        reportProgress(1);
        return true;
    }
    // 7zz writes updates to "<archive>.tmp" and leaves it when killed.
    ::unlink(QFile::encodeName(scratch).constData());
    ::unlink(QFile::encodeName(scratch + u".tmp"_s).constData());
    return false;
}

bool SevenZipWriter::fail(const QString& error)
{
    m_error = error;
    return false;
}

// 7zz opens an existing file as an archive to update, so the name must be
// free, and so must the one it writes updates to.
QString SevenZipWriter::scratchArchivePath() const
{
    const QFileInfo archive(m_archivePath);
    QString path;
    do {
        path
            = archive.absolutePath() + u"/."_s + archive.fileName().left(64) + u".partial-"_s + randomText(8);
    } while (!isFree(path) || !isFree(path + u".tmp"_s));
    return path;
}

bool SevenZipWriter::runSteps(const QString& scratch, const QString& password)
{
    const QList<SevenZipAddPlan::Step> steps
        = SevenZipAddPlan::make(m_inputs, u".kestrel-"_s + randomText(12) + u'-');
    const auto passes = float(
        std::count_if(steps.cbegin(), steps.cend(), [](const auto& step) { return !step.paths.isEmpty(); }));
    float done = 0;
    for (const SevenZipAddPlan::Step& step : steps) {
        if (!step.paths.isEmpty() && !runAdd(scratch, step.paths, password, done++ / passes, 1 / passes))
            return false;
        if (!step.renames.isEmpty() && !runRename(scratch, step.renames, password))
            return false;
    }
    return true;
}

bool SevenZipWriter::runAdd(const QString& scratch, const QStringList& paths, const QString& password,
                            float start, float share)
{
    // -snl stores links as links; -spd takes names literally, wildcards too.
    QStringList arguments = { u"a"_s, u"-t7z"_s, u"-snl"_s, u"-spd"_s };
    arguments += methodSwitches(!password.isEmpty());
    for (const QString& path : paths)
        arguments += exclusionSwitches(path, scratch);
    arguments << u"--"_s << scratch;
    arguments += paths;
    return runSevenZip(arguments, password,
                       [this, start, share](float fraction) { reportProgress(start + fraction * share); });
}

bool SevenZipWriter::runRename(const QString& scratch, const QList<SevenZipAddPlan::Rename>& renames,
                               const QString& password)
{
    QStringList arguments = { u"rn"_s, u"-t7z"_s, u"-spd"_s };
    arguments += methodSwitches(!password.isEmpty());
    arguments << u"--"_s << scratch;
    for (const SevenZipAddPlan::Rename& rename : renames)
        arguments << rename.from << rename.to;
    return runSevenZip(arguments, password, {});
}

bool SevenZipWriter::runSevenZip(const QStringList& arguments, const QString& password,
                                 const std::function<void(float)>& progress)
{
    if (m_canContinue && !m_canContinue())
        return fail(u"stopped"_s);
    SevenZipProcess process;
    // With encryption 7zz prompts once per run, twice when it must also open
    // an archive with encrypted names; every prompt gets the same answer.
    process.setPasswordGetter([&password] { return password; });
    process.setProgressHandler(progress);
    process.setCanContinue(m_canContinue);
    if (process.run(arguments))
        return true;
    if (process.wasStopped())
        return fail(u"stopped"_s);
    return fail(u"7zz %1 ended with code %2: %3"_s.arg(arguments.first())
                    .arg(process.exitCode())
                    .arg(process.messages().join(u"; "_s)));
}

// The dictionary the LZMA SDK gives each level. 7-Zip's own levels grew
// larger dictionaries: its level 6 takes 64 MiB, which made archives no
// smaller than 32 MiB does and took a tenth longer to write.
QString SevenZipWriter::dictionarySwitch(int level)
{
    const int log2Size = level <= 3 ? 2 * level + 16 : level <= 6 ? level + 19 : level <= 7 ? 25 : 26;
    return u"-md=%1k"_s.arg(1 << (log2Size - 10));
}

QStringList SevenZipWriter::methodSwitches(bool encrypt) const
{
    const int level = std::clamp(m_compressionLevel, 0, 9);
    QStringList switches = {
        u"-m0="_s + (m_method == Method::lzma ? u"lzma"_s : u"lzma2"_s),
        u"-mx="_s + QString::number(level),
        u"-ms="_s + onOff(m_solid),
        u"-mhc="_s + onOff(m_compressHeader),
        u"-mhe="_s + onOff(encrypt && m_encodeHeader),
        u"-mtm="_s + onOff(m_writeModificationTime),
        u"-mtc="_s + onOff(m_writeCreationTime),
        u"-mta="_s + onOff(m_writeAccessTime),
    };
    // Level 0 stores: no dictionary.
    if (level > 0)
        switches.append(dictionarySwitch(level));
    // Bare -p makes 7zz prompt for the password on standard output.
    if (encrypt)
        switches.append(u"-p"_s);
    return switches;
}

// Keeps the archive being written, and the empty file reserved for it, out
// of an input folder that holds them.
QStringList SevenZipWriter::exclusionSwitches(const QString& input, const QString& scratch) const
{
    const QString location = canonicalLocation(input);
    QStringList switches;
    for (const QString& path : { m_archivePath, scratch }) {
        const QString target = canonicalLocation(path);
        if (target.startsWith(location + u'/'))
            switches.append(u"-x!"_s + SevenZipAddPlan::lastComponent(input) + target.mid(location.size()));
    }
    return switches;
}

bool SevenZipWriter::replaceArchive(const QString& scratch)
{
    if (!isFreeOrEmptyFile(m_archivePath))
        return fail(u"%1 was taken while the archive was written"_s.arg(m_archivePath));
    if (std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(m_archivePath).constData())
        != 0)
        return fail(u"cannot rename to %1: %2"_s.arg(m_archivePath, QString::fromLocal8Bit(strerror(errno))));
    return true;
}

void SevenZipWriter::reportProgress(float fraction)
{
    if (fraction == m_lastProgress)
        return;
    m_lastProgress = fraction;
    if (m_progressHandler)
        m_progressHandler(fraction);
}
