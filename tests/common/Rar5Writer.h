#pragma once

#include "Rar5Cipher.h"
#include "RarFixture.h"
#include "RarVolumeWriter.h"

#include <QRandomGenerator>

#include <optional>

// RAR5 archives as RARLAB's "RAR 5.0 archive format" describes them (its
// general archive structure, archive encryption header, main archive header,
// file header, extra area and end of archive header): the 8-byte signature,
// a main archive header (type 1), a file header (type 2) before each entry's
// data or volume slice, end of archive header (type 5). With a password each
// file's data is encrypted and described by a file encryption record, the
// only extra area written; with encrypted headers an archive encryption
// header (type 4) follows the signature and every later header is encrypted
// with an IV of its own. No service headers. Host OS is Unix and attributes
// are mode bits, as rar for Linux writes them.
class Rar5Writer : public RarVolumeWriter
{
public:
    Rar5Writer(const QList<RarFixtureEntry>& entries, const RarFixtureOptions& options);

private:
    QByteArray volumeStart(int index, bool isVolumeSet) const override;
    QByteArray fileHeader(const RarPart& part) const override;
    QByteArray volumeEnd(bool isVolumeSet, bool isLast) const override;
    QByteArray encryptionHeader() const;
    QByteArray seal(const QByteArray& header) const;

    QList<RarFixtureEntry> m_entries;
    RarFixtureOptions m_options;
    mutable QRandomGenerator m_random { 2026 };
    std::optional<Rar5Cipher> m_cipher;
    QList<QByteArray> m_ivs; // per entry, when its data is encrypted
};
