#pragma once

#include "RarFixture.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class RarProgress;

// What the RAR engine tests share: running an extraction, reading what it
// left behind, and archives the fixture builder does not make.
namespace RarTestHelpers {

struct Extraction
{
    bool isPasswordProtected = false;
    bool succeeded = false;
    int errorCode = 0;
    QList<double> fractions;

    // Progress was reported, above 0 from the first report, never went back, and ended at 1.
    bool progressRoseToOne() const;
};

// Opens `archivePath` (failing the test when that fails) and extracts it
// into `folder`, with `password` when not null.
Extraction extract(const QString& archivePath, const QString& folder, const QString& password = {},
                   const std::shared_ptr<RarProgress>& progress = {});

// Staging folders an extraction left beside `folder`.
QStringList stagingLeftovers(const QString& folder);

// A RAR5 archive with "file.txt", a hard link "hard.txt" and a symbolic link
// "sym.txt" to it, and symbolic links "escape" and "absolute" leading out.
QByteArray rar5WithLinks();

} // namespace RarTestHelpers
