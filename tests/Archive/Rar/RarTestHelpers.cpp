#include "RarTestHelpers.h"

#include "Archive/Rar/RarArchive.h"
#include "Archive/Rar/RarProgress.h"
#include "RarBytes.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace RarTestHelpers {

namespace {

QByteArray vints(std::initializer_list<quint64> values)
{
    QByteArray out;
    for (const quint64 value : values)
        RarBytes::appendVint(out, value);
    return out;
}

struct Redirection
{
    quint64 type = 0; // 1: Unix symbolic link, 4: hard link
    QByteArray target;
};

// A redirection record: type, no flags, the target's length and bytes.
QByteArray extraArea(const std::optional<Redirection>& redirection)
{
    if (!redirection)
        return {};
    const QByteArray record
        = vints({ 5, redirection->type, 0, quint64(redirection->target.size()) }) + redirection->target;
    QByteArray extra;
    RarBytes::appendVint(extra, quint64(record.size()));
    return extra + record;
}

QByteArray rar5File(const QByteArray& name, const QByteArray& data,
                    const std::optional<Redirection>& redirection = std::nullopt)
{
    const QByteArray extra = extraArea(redirection);
    QByteArray body = vints({ 2, extra.isEmpty() ? 0x02u : 0x03u });
    if (!extra.isEmpty())
        RarBytes::appendVint(body, quint64(extra.size()));
    const quint64 mode = redirection && redirection->type == 1 ? 0120777 : 0100644;
    // Data size, "CRC present", unpacked size, mode, CRC.
    body += vints({ quint64(data.size()), 0x04, quint64(data.size()), mode });
    RarBytes::appendLe32(body, RarBytes::crc32(data));
    body += vints({ 0, 1, quint64(name.size()) }) + name + extra;
    return RarBytes::rar5Header(body) + data;
}

const QByteArray kRar5Signature("Rar!\x1a\x07\x01\x00", 8);

} // namespace

Extraction extract(const QString& archivePath, const QString& folder, const QString& password,
                   const std::shared_ptr<RarProgress>& progress)
{
    Extraction result;
    int openError = 0;
    const std::unique_ptr<RarArchive> archive = RarArchive::open(archivePath, &openError);
    if (!archive) {
        QTest::qFail(qPrintable(u"open failed with %1"_s.arg(openError)), __FILE__, __LINE__);
        result.errorCode = openError;
        return result;
    }
    const std::shared_ptr<RarProgress> shared = progress ? progress : std::make_shared<RarProgress>();
    shared->setFractionObserver([&result](double fraction) { result.fractions.append(fraction); });
    archive->setProgress(shared);
    result.isPasswordProtected = archive->isPasswordProtected();
    if (!password.isNull())
        archive->setPassword(password);
    result.succeeded = archive->extractFilesTo(folder, false, &result.errorCode);
    shared->setFractionObserver({});
    return result;
}

bool Extraction::progressRoseToOne() const
{
    return !fractions.isEmpty() && std::is_sorted(fractions.cbegin(), fractions.cend())
        && fractions.constFirst() > 0.0 && fractions.constLast() == 1.0;
}

QStringList stagingLeftovers(const QString& folder)
{
    return QFileInfo(folder).dir().entryList({ u".kestrel-staging-*"_s }, QDir::AllEntries | QDir::Hidden);
}

QByteArray rar5WithLinks()
{
    return kRar5Signature + RarBytes::rar5Header(vints({ 1, 0, 0 })) + rar5File("file.txt", "content")
        + rar5File("hard.txt", {}, Redirection { 4, "file.txt" })
        + rar5File("sym.txt", {}, Redirection { 1, "file.txt" })
        + rar5File("escape", {}, Redirection { 1, "../../outside" })
        + rar5File("absolute", {}, Redirection { 1, "/etc/passwd" })
        + RarBytes::rar5Header(vints({ 5, 0, 0 }));
}

} // namespace RarTestHelpers
