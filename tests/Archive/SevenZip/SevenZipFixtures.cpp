#include "SevenZipFixtures.h"

#include "ChildProcess.h"
#include "FileTree.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace SevenZipFixtures {

bool writeSampleTree(const QString& root)
{
    return FileTree::write(root,
                           { { u"readme.txt"_s, "hello\n" },
                             { u"Fotos/2024/a.bin"_s, QByteArray("0123456789abcdef").repeated(4096) },
                             { u"Fotos/Ünïcødé 名前 😀.txt"_s, "unicode\n" },
                             { u"empty"_s, "<dir>" },
                             { u"link"_s, "-> readme.txt" } });
}

QByteArray capture(const QString& name)
{
    return FileTree::readFile(QStringLiteral(SEVENZIP_TEST_DATA) + u'/' + name);
}

bool pack(const QString& archive, const QString& folder, const QStringList& switches)
{
    QStringList arguments = QStringList { u"a"_s, u"-snl"_s } + switches + QStringList { archive };
    for (const QString& entry : FileTree::entries(folder))
        arguments.append(folder + u'/' + entry);
    return ChildProcess::run(u"7zz"_s, arguments) == 0;
}

QByteArray listing(const QString& archive, const QString& password)
{
    QStringList arguments = { u"l"_s, u"-slt"_s, archive };
    if (!password.isEmpty())
        arguments.append(u"-p"_s + password);
    QByteArray output;
    return ChildProcess::run(u"7zz"_s, arguments, &output) == 0 ? output : QByteArray("<7zz failed>");
}

QStringList listedPaths(const QString& archive, const QString& password)
{
    // The entries follow the archive's own properties and a line of dashes.
    const QByteArray text = listing(archive, password);
    QStringList paths;
    for (const QByteArray& line : text.sliced(text.indexOf("\n----------\n") + 1).split('\n')) {
        if (line.startsWith("Path = "))
            paths.append(QString::fromUtf8(line.mid(7)));
    }
    return paths;
}

bool buildArchive(const QString& archive, const QList<Entry>& entries, const QString& scratchFolder)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries.at(i);
        const QString name = u"entry%1"_s.arg(i);
        const QString source = scratchFolder + u'/' + name;
        QFile::remove(source);
        const bool made = entry.isLink ? QFile::link(QString::fromUtf8(entry.content), source)
                                       : FileTree::writeFile(scratchFolder, name, entry.content);
        if (!made || ChildProcess::run(u"7zz"_s, { u"a"_s, u"-t7z"_s, u"-snl"_s, archive, source }) != 0
            || ChildProcess::run(u"7zz"_s, { u"rn"_s, u"-t7z"_s, archive, name, entry.storedName }) != 0)
            return false;
    }
    return true;
}

bool makeLargeFile(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

} // namespace SevenZipFixtures
