#include "RarFixture.h"

#include "FileTree.h"
#include "Rar4Cipher.h"
#include "Rar4Writer.h"
#include "Rar5Writer.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>
#include <QtDebug>

using namespace Qt::StringLiterals;

namespace {

// Why the request cannot be built, or an empty string.
QString problemWith(RarVersion version, qsizetype volumeSize, const RarFixtureOptions& options)
{
    if (options.encryptHeaders && options.password.isEmpty())
        return u"encrypted headers need a password"_s;
    if (version == RarVersion::rar4 && options.password.size() > Rar4Cipher::maxPasswordLength)
        return u"password longer than %1 UTF-16 units"_s.arg(Rar4Cipher::maxPasswordLength);
    if (version == RarVersion::rar5 && volumeSize > 0 && !options.password.isEmpty())
        return u"encrypted RAR5 volume sets are not implemented"_s;
    return {};
}

QList<QByteArray> build(RarVersion version, const QList<RarFixtureEntry>& entries, qsizetype volumeSize,
                        const RarFixtureOptions& options)
{
    const QString problem = problemWith(version, volumeSize, options);
    if (!problem.isEmpty()) {
        qWarning().noquote() << "RarFixture:" << problem;
        return {};
    }
    QList<RarFixtureEntry> dated = entries;
    for (RarFixtureEntry& entry : dated) {
        if (!entry.modified.isValid())
            entry.modified = QDateTime(QDate(2020, 1, 1), QTime(0, 0), QTimeZone::utc());
    }
    if (version == RarVersion::rar4)
        return Rar4Writer(dated, options).build(volumeSize);
    return Rar5Writer(dated, options).build(volumeSize);
}

QString volumeName(const QString& baseName, int index, int count)
{
    const int digits = int(QString::number(count).size());
    return baseName + u".part"_s + QString::number(index + 1).rightJustified(digits, u'0') + u".rar"_s;
}

} // namespace

QByteArray buildRar(RarVersion version, const QList<RarFixtureEntry>& entries,
                    const RarFixtureOptions& options)
{
    return build(version, entries, 0, options).value(0);
}

QList<QByteArray> buildRarVolumes(RarVersion version, const QList<RarFixtureEntry>& entries,
                                  qsizetype volumeSize, const RarFixtureOptions& options)
{
    return build(version, entries, volumeSize, options);
}

bool writeRar(const QString& path, RarVersion version, const QList<RarFixtureEntry>& entries,
              const RarFixtureOptions& options)
{
    const QByteArray archive = buildRar(version, entries, options);
    return !archive.isEmpty()
        && FileTree::writeFile(QFileInfo(path).path(), QFileInfo(path).fileName(), archive);
}

QStringList writeRarVolumes(const QString& folder, const QString& baseName, RarVersion version,
                            const QList<RarFixtureEntry>& entries, qsizetype volumeSize,
                            const RarFixtureOptions& options)
{
    const QList<QByteArray> volumes = buildRarVolumes(version, entries, volumeSize, options);
    QStringList paths;
    for (int index = 0; index < volumes.size(); ++index) {
        const QString name = volumeName(baseName, index, int(volumes.size()));
        if (volumes[index].isEmpty() || !FileTree::writeFile(folder, name, volumes[index]))
            return {};
        paths.append(QDir(folder).filePath(name));
    }
    return paths;
}

QList<RarFixtureEntry> rarSampleEntries(qsizetype blobSize)
{
    const QByteArray blob = FileTree::randomBytes(blobSize, 2024);
    const QDateTime modified(QDate(2023, 6, 15), QTime(13, 45, 30), QTimeZone::utc());
    return {
        { u"readme.txt"_s, "Kestrel RAR fixture\n", false, modified },
        { u"docs"_s, {}, true, modified },
        { u"docs/Übersicht – 報告.txt"_s, "unicode name\n", false, modified.addSecs(-3600) },
        { u"docs/😀 emoji.txt"_s, "smile\n", false, modified },
        { u"empty.bin"_s, {}, false, modified },
        { u"data/blob.bin"_s, blob, false, modified.addDays(-400) },
    };
}

QByteArray rarSelfExtractorStub()
{
    return QByteArray("MZ").append(4094, '\x90');
}

QMap<QString, QByteArray> extractedTree(const QList<RarFixtureEntry>& entries)
{
    QMap<QString, QByteArray> tree;
    for (const RarFixtureEntry& entry : entries) {
        tree.insert(entry.name, entry.isDirectory ? QByteArray("<dir>") : entry.data);
        // The folders on the way are made too, listed or not.
        for (qsizetype slash = entry.name.indexOf(u'/'); slash > 0;
             slash = entry.name.indexOf(u'/', slash + 1))
            tree.insert(entry.name.left(slash), "<dir>");
    }
    return tree;
}
