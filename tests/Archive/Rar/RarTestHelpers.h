#pragma once

#include "RarFixture.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>

class RarArchive;
class RarProgress;

// What the RAR engine tests share: running an extraction, reading what it
// left behind, and archives the fixture builder does not make.
namespace RarTestHelpers {

struct Extraction
{
    bool succeeded = false;
    int errorCode = 0;
    QList<double> fractions;
};

// Opens `archivePath` (failing the test when that fails) and extracts it
// into `folder`, with `password` when not null.
Extraction extract(const QString& archivePath, const QString& folder, const QString& password = {},
                   const std::shared_ptr<RarProgress>& progress = {});

// The tree the fixture entries describe, as FileTree::snapshot shows it.
QMap<QString, QByteArray> expectedTree(const QList<RarFixtureEntry>& entries);

// Staging folders an extraction left beside `folder`.
QStringList stagingLeftovers(const QString& folder);

// A RAR5 archive with "file.txt", a hard link "hard.txt" and a symbolic link
// "sym.txt" to it, and symbolic links "escape" and "absolute" leading out.
QByteArray rar5WithLinks();

} // namespace RarTestHelpers
