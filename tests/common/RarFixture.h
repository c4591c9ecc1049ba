#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Builds RAR archives in memory for the RAR engine tests, since no free tool
// creates them. Every entry is stored (method "store"), so the data can be
// checked byte for byte after extraction. An option the version cannot
// honour gives an empty result and a warning.

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
    // Encrypted file data: AES-128 for RAR4 (at most 28 UTF-16 units), AES-256
    // for RAR5. No encrypted RAR5 volume sets.
    QString password;
    // Needs a password: every block or header after the archive header (RAR4)
    // or the signature (RAR5) is encrypted too (rar -hp), so even the names
    // need the password.
    bool encryptHeaders = false;
    bool solid = false;
    // RAR5 only, with a password: no password check value, so only checksums
    // reveal a wrong password.
    bool omitPasswordCheck = false;
    // RAR5 only, with a password: data CRCs stored as they are instead of the
    // MACs rar stores for encrypted files.
    bool plainChecksums = false;
};

QByteArray buildRar(RarVersion version, const QList<RarFixtureEntry>& entries,
                    const RarFixtureOptions& options = {});

// A multi-volume set (`volumeSize` > 0); no volume exceeds `volumeSize` bytes
// unless it is too small for one header and one byte of data.
QList<QByteArray> buildRarVolumes(RarVersion version, const QList<RarFixtureEntry>& entries,
                                  qsizetype volumeSize, const RarFixtureOptions& options = {});

bool writeRar(const QString& path, RarVersion version, const QList<RarFixtureEntry>& entries,
              const RarFixtureOptions& options = {});

// Writes `baseName`.part1.rar, .part2.rar, ... into `folder` (digits padded as
// rar does once there are ten or more) and returns their paths, first volume first.
QStringList writeRarVolumes(const QString& folder, const QString& baseName, RarVersion version,
                            const QList<RarFixtureEntry>& entries, qsizetype volumeSize,
                            const RarFixtureOptions& options = {});

// Entries that take every path of the writers: a folder listed and one only
// on the way, an empty file, names
// that need each form of RAR4's packed Unicode names (Latin-1, a shared high
// byte, other high bytes, a surrogate pair) and, last, `blobSize` pseudo-random
// bytes. Times are on even seconds, as RAR4 keeps them.
QList<RarFixtureEntry> rarSampleEntries(qsizetype blobSize);

// The program a self-extracting archive starts with: libarchive does not find
// an archive behind it; unar does.
QByteArray rarSelfExtractorStub();

// What `entries` leave once extracted, folders on the way included, as
// FileTree::snapshot shows it.
QMap<QString, QByteArray> extractedTree(const QList<RarFixtureEntry>& entries);
