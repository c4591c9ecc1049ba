#include "Archive/Rar/StagingFolder.h"
#include "Archive/Rar/StagingMover.h"
#include "FileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct stat statusOf(const QString& path)
{
    struct stat status = {};
    lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

} // namespace

class tst_StagingMover : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void movesWithoutReplacingOrLeaving();
    void keepsWhatLinksAndModesSay();
    void linkLeadingOutThroughAnOldLinkIsRemoved();
    void stagingFolderIsPrivateAndAlwaysRemoved();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_staging;
    QString m_destination;
    QString m_outside;
};

void tst_StagingMover::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_staging = m_root->filePath(u"staging"_s);
    m_destination = m_root->filePath(u"dest"_s);
    m_outside = m_root->filePath(u"outside"_s);
    for (const QString& folder : { m_staging, m_destination, m_outside })
        QVERIFY(QDir().mkdir(folder));
}

void tst_StagingMover::movesWithoutReplacingOrLeaving()
{
    QVERIFY(FileTree::write(m_staging,
                            { { u"new.txt"_s, "new" },
                              { u"taken.txt"_s, "theirs" },
                              { u"shared/added.txt"_s, "added" },
                              { u"blocked/inside.txt"_s, "no place" } }));
    QVERIFY(FileTree::write(
        m_destination,
        { { u"taken.txt"_s, "mine" }, { u"shared/old.txt"_s, "old" }, { u"blocked"_s, "a file" } }));
    QVERIFY(mkfifo(QFile::encodeName(m_staging + u"/pipe"_s).constData(), 0600) == 0);

    StagingMover mover;
    QVERIFY(mover.move(m_staging, m_destination));
    const QMap<QString, QByteArray> expected = {
        { u"new.txt"_s, "new" },        { u"taken.txt"_s, "mine" },         { u"shared"_s, "<dir>" },
        { u"shared/old.txt"_s, "old" }, { u"shared/added.txt"_s, "added" }, { u"blocked"_s, "a file" },
    };
    QCOMPARE(FileTree::snapshot(m_destination), expected);
}

void tst_StagingMover::keepsWhatLinksAndModesSay()
{
    QVERIFY(FileTree::write(m_staging,
                            { { u"dir/file.txt"_s, "data" },
                              { u"dir/alias"_s, "-> file.txt" },
                              { u"dir/up-alias"_s, "-> ../tool" },
                              { u"tool"_s, "#!/bin/sh\n" } }));
    QVERIFY(chmod(QFile::encodeName(m_staging + u"/tool"_s).constData(), 06504) == 0);
    QVERIFY(link(QFile::encodeName(m_staging + u"/tool"_s).constData(),
                 QFile::encodeName(m_staging + u"/dir/second-name"_s).constData())
            == 0);
    for (const QString& outward : { u"../../outside"_s, m_outside, u"dir/../../x"_s })
        QVERIFY(QFile::link(outward, m_staging + u"/out-"_s + QString::number(qHash(outward))));
    const timespec times[2] = { { 0, UTIME_OMIT }, { 1'400'000'000, 0 } };
    QVERIFY(utimensat(AT_FDCWD, QFile::encodeName(m_staging + u"/dir"_s).constData(), times, 0) == 0);
    QVERIFY(chmod(QFile::encodeName(m_staging + u"/dir"_s).constData(), 0555) == 0);

    StagingMover mover;
    QVERIFY(mover.move(m_staging, m_destination));
    const QMap<QString, QByteArray> tree = FileTree::snapshot(m_destination, true);
    QCOMPARE(tree.keys(),
             QStringList({ u"dir"_s, u"dir/alias"_s, u"dir/file.txt"_s, u"dir/second-name"_s,
                           u"dir/up-alias"_s, u"tool"_s }));
    QCOMPARE(tree.value(u"dir/alias"_s), "-> file.txt");
    QCOMPARE(tree.value(u"dir"_s), "755 1400000000 <dir>");
    QVERIFY(tree.value(u"tool"_s).startsWith("504 "));
    QCOMPARE(statusOf(m_destination + u"/dir/second-name"_s).st_ino,
             statusOf(m_destination + u"/tool"_s).st_ino);
}

void tst_StagingMover::linkLeadingOutThroughAnOldLinkIsRemoved()
{
    QVERIFY(FileTree::writeFile(m_outside, u"secret"_s, "outside"));
    QVERIFY(QFile::link(m_outside, m_destination + u"/door"_s));
    QVERIFY(QFile::link(u"door/secret"_s, m_staging + u"/peek"_s));
    QVERIFY(FileTree::writeFile(m_staging, u"door/planted"_s, "through the door"));

    StagingMover mover;
    QVERIFY(mover.move(m_staging, m_destination));
    QVERIFY(!QFileInfo(m_destination + u"/peek"_s).isSymLink());
    QCOMPARE(FileTree::entries(m_outside), QStringList { u"secret"_s });
    QVERIFY(QFileInfo(m_destination + u"/door"_s).isSymLink());
}

void tst_StagingMover::stagingFolderIsPrivateAndAlwaysRemoved()
{
    QString path;
    {
        StagingFolder staging(m_destination);
        QVERIFY(staging.isValid());
        path = staging.path();
        QCOMPARE(QFileInfo(path).absolutePath(), m_root->path());
        QVERIFY(QFileInfo(path).fileName().startsWith(u'.'));
        QCOMPARE(statusOf(path).st_mode & 07777, mode_t(0700));
        QVERIFY(FileTree::writeFile(path, u"locked/deep/file"_s, "x"));
        QVERIFY(QFile::link(m_outside, path + u"/link-out"_s));
        QVERIFY(chmod(QFile::encodeName(path + u"/locked/deep"_s).constData(), 0) == 0);
        QVERIFY(chmod(QFile::encodeName(path + u"/locked"_s).constData(), 0500) == 0);
        QVERIFY(staging.clear());
        QCOMPARE(FileTree::entries(path), QStringList());
        QVERIFY(FileTree::writeFile(path, u"again"_s, "y"));
    }
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(QFileInfo::exists(m_outside));

    StagingFolder impossible(m_root->filePath(u"missing/dest"_s));
    QVERIFY(!impossible.isValid());
    QCOMPARE(impossible.error(), ENOENT);
}

QTEST_GUILESS_MAIN(tst_StagingMover)
#include "tst_stagingmover.moc"
