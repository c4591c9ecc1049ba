#include "Archive/SevenZip/SevenZipReader.h"

#include "Archive/Extraction/FileIdentity.h"
#include "Archive/SevenZip/OutwardLinkSweeper.h"
#include "Archive/SevenZip/SevenZipListingParser.h"
#include "Archive/SevenZip/SevenZipProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Holds the folder open while 7zz fills it, so that a folder removed (and
// perhaps made again by 7zz) under the same name can be told apart: while
// we hold it, its inode cannot be given to another folder.
class FolderWatch
{
public:
    explicit FolderWatch(const QString& path)
        : m_path(QFile::encodeName(path))
        , m_fd(::open(m_path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~FolderWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // The folder we started with is still the one at the path.
    bool unchanged() const { return FileIdentity::descriptorIsAt(m_fd, m_path); }

private:
    QByteArray m_path;
    int m_fd;
};
} // namespace

using namespace Qt::StringLiterals;

SevenZipReader::SevenZipReader(const QString& archivePath)
    : m_archivePath(QFileInfo(archivePath).absoluteFilePath())
{
}

bool SevenZipReader::open()
{
    m_opened = false;
    m_items.clear();
    m_listingError.clear();
    m_error.clear();
    SevenZipProcess process;
    configure(process);
    // -t7z: whatever else 7zz could read is not ours to open.
    const bool listed = process.run({ u"l"_s, u"-slt"_s, u"-ba"_s, u"-t7z"_s, u"--"_s, m_archivePath });
    if (process.wasStopped())
        return fail(u"stopped"_s);
    const SevenZipListingParser::Result listing = SevenZipListingParser::parse(process.standardOutput());
    m_items = listing.items;
    if (!listed)
        failRun(process);
    m_listingError = listed ? listing.error : m_error;
    if (!m_listingError.isEmpty() && m_items.isEmpty())
        return fail(m_listingError);
    m_opened = true;
    return true;
}

void SevenZipReader::iterate(const ItemHandler& handler) const
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const bool last = i + 1 == m_items.size();
        if (!handler(&m_items.at(i), last && !m_listingError.isEmpty() ? &m_listingError : nullptr))
            return;
    }
}

bool SevenZipReader::extract(const QList<SevenZipItem>& items, const QString& toPath, bool withFullPaths)
{
    m_error.clear();
    const QString folder = QFileInfo(toPath).absoluteFilePath();
    if (!m_opened)
        return fail(u"the archive is not open"_s);
    if (!prepareFolder(folder))
        return false;
    // No items means nothing, never everything.
    if (items.isEmpty())
        return true;

    // -aos: skip what exists, so nothing is replaced and 7zz never asks.
    QStringList arguments
        = { withFullPaths ? u"x"_s : u"e"_s, u"-t7z"_s, u"-aos"_s, u"-spd"_s, u"-o"_s + folder };
    QTemporaryFile listFile;
    if (!selectsAll(items)) {
        if (!listFile.open())
            return fail(u"cannot write the list of entries"_s);
        for (const SevenZipItem& item : items)
            listFile.write(item.path.toUtf8() + '\n');
        listFile.close();
        arguments << u"-scsUTF-8"_s << u"-i@"_s + listFile.fileName();
    }
    arguments << u"--"_s << m_archivePath;

    // 7zz makes missing folders as it goes: a folder removed under it comes
    // back holding only the rest of the archive. Only the folder we started
    // with counts.
    const FolderWatch watch(folder);
    SevenZipProcess process;
    configure(process);
    process.setProgressHandler(m_progressHandler);
    const bool extracted = process.run(arguments);
    const bool clean = OutwardLinkSweeper::sweep(folder);
    if (!extracted)
        return failRun(process);
    if (!watch.unchanged())
        return fail(u"%1 was removed while extracting"_s.arg(folder));
    if (!clean)
        return fail(u"links leading outside %1 were removed"_s.arg(folder));
    if (m_progressHandler && process.lastProgress() < 1)
        m_progressHandler(1);
    return true;
}

void SevenZipReader::configure(SevenZipProcess& process) const
{
    process.setPasswordGetter(m_passwordGetter);
    process.setCanContinue(m_canContinue);
}

bool SevenZipReader::prepareFolder(const QString& toPath)
{
    const QFileInfo info(toPath);
    if (!info.exists())
        return QDir().mkdir(toPath) || fail(u"cannot create %1"_s.arg(toPath));
    if (!info.isDir())
        return fail(u"%1 is not a folder"_s.arg(toPath));
    // What is already there stays as it is, and is not swept for links.
    if (!QDir(toPath).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        return fail(u"%1 is not empty"_s.arg(toPath));
    return true;
}

bool SevenZipReader::selectsAll(const QList<SevenZipItem>& items) const
{
    QSet<QString> requested;
    for (const SevenZipItem& item : items)
        requested.insert(item.path);
    return std::all_of(m_items.cbegin(), m_items.cend(),
                       [&requested](const SevenZipItem& item) { return requested.contains(item.path); });
}

bool SevenZipReader::fail(const QString& error)
{
    m_error = error;
    return false;
}

bool SevenZipReader::failRun(const SevenZipProcess& process)
{
    if (process.wasStopped())
        return fail(u"stopped"_s);
    if (process.exitCode() < 0)
        return fail(u"7zz did not run to its end"_s);
    return fail(
        u"7zz ended with code %1: %2"_s.arg(process.exitCode()).arg(process.messages().join(u"; "_s)));
}
