// Packs a folder into a stored RAR4 or RAR5 archive, the sample for the RAR
// extraction comparison: kestrel-bench-rar rar4|rar5 FOLDER ARCHIVE

#include "RarFixture.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QList<RarFixtureEntry> entriesOf(const QString& folder)
{
    const QFileInfo root(folder);
    const QString prefix = root.fileName() + u'/';
    QList<RarFixtureEntry> entries { { root.fileName(), {}, true, root.lastModified() } };
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        RarFixtureEntry entry;
        entry.name = prefix + root.dir().relativeFilePath(info.absoluteFilePath()).mid(prefix.size());
        entry.modified = info.lastModified();
        entry.isDirectory = info.isDir();
        if (!entry.isDirectory) {
            QFile file(info.absoluteFilePath());
            if (!file.open(QIODevice::ReadOnly))
                return {};
            entry.data = file.readAll();
        }
        entries.append(entry);
    }
    // Listing order depends on the file system; the sample should not.
    std::sort(entries.begin(), entries.end(),
              [](const RarFixtureEntry& a, const RarFixtureEntry& b) { return a.name < b.name; });
    return entries;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.size() != 3 || (arguments[0] != "rar4"_L1 && arguments[0] != "rar5"_L1)) {
        err << "usage: kestrel-bench-rar rar4|rar5 FOLDER ARCHIVE\n";
        return 2;
    }
    const RarVersion version = arguments[0] == "rar4"_L1 ? RarVersion::rar4 : RarVersion::rar5;
    const QList<RarFixtureEntry> entries = entriesOf(arguments[1]);
    if (entries.size() < 2) {
        err << "kestrel-bench-rar: nothing readable in " << arguments[1] << '\n';
        return 1;
    }
    if (!writeRar(arguments[2], version, entries)) {
        err << "kestrel-bench-rar: cannot write " << arguments[2] << '\n';
        return 1;
    }
    return 0;
}
