#pragma once

#include <QString>
#include <QStringList>

// Finds the volumes of a multi-volume RAR set on disk from the name of any one
// of them: "name.part1.rar", "name.part2.rar"... (any number of digits) or the
// older "name.rar", "name.r00", "name.r01"... "name.r99", "name.s00"...
class RarVolumes
{
public:
    RarVolumes() = delete;

    // The volumes in order, starting with the first, as far as they exist
    // without a gap; just `path` when its name follows neither scheme.
    static QStringList find(const QString& path);

private:
    static QStringList numberedParts(const QString& folder, const QString& stem, const QString& suffix,
                                     qsizetype width);
    static QStringList oldStyle(const QString& folder, const QString& stem, const QString& firstSuffix);
};
