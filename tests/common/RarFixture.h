#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Builds RAR archives in memory for the RAR engine tests, since no free tool
// creates them. Every entry is stored (method "store"), so the data can be
// checked byte for byte after extraction. Failures (an option the version
// cannot honour, an unusable name) give an empty result and a warning.

struct RarFixtureEntry
{
    QString name; // relative, '/'-separated
    QByteArray data;
    bool isDirectory = false;
    QDateTime modified; // invalid: 2020-01-01 00:00:00 UTC. RAR4 keeps local time to 2 seconds
};

enum class RarVersion
{
    rar4, // RAR 2.9 block format, as WinRAR 3.x/4.x writes it
    rar5,
};

struct RarFixtureOptions
{
    // RAR4 only: AES-128 encrypted file data, at most 28 UTF-16 units.
    QString password;
    // RAR4 only, needs a password: every block after the archive header is
    // encrypted too (rar -hp), so even the names need the password.
    bool encryptHeaders = false;
    bool solid = false;
};

QByteArray buildRar(RarVersion version, const QList<RarFixtureEntry>& entries,
                    const RarFixtureOptions& options = {});

// A multi-volume set; no volume exceeds `volumeSize` bytes unless it is too
// small for one header and one byte of data.
QList<QByteArray> buildRarVolumes(RarVersion version, const QList<RarFixtureEntry>& entries,
                                  qsizetype volumeSize, const RarFixtureOptions& options = {});

bool writeRar(const QString& path, RarVersion version, const QList<RarFixtureEntry>& entries,
              const RarFixtureOptions& options = {});

// Writes `baseName`.part1.rar, .part2.rar, ... into `folder` (digits padded as
// rar does once there are ten or more) and returns their paths, first volume first.
QStringList writeRarVolumes(const QString& folder, const QString& baseName, RarVersion version,
                            const QList<RarFixtureEntry>& entries, qsizetype volumeSize,
                            const RarFixtureOptions& options = {});

QString rarVolumeName(const QString& baseName, int index, int count);
