#pragma once

#include "Rar5Cipher.h"
#include "RarFixture.h"
#include "RarVolumeLayout.h"

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
class Rar5Writer
{
public:
    Rar5Writer(const QList<RarFixtureEntry>& entries, const RarFixtureOptions& options);

    QList<QByteArray> build(qsizetype volumeSize) const;

private:
    QByteArray volume(const QList<RarPart>& parts, int index, bool isVolumeSet, bool isLast) const;
    QByteArray encryptionHeader() const;
    QByteArray mainHeader(bool isVolumeSet, int index) const;
    QByteArray fileHeader(const RarPart& part) const;
    QByteArray encryptionRecord(qsizetype entry) const;
    QByteArray seal(const QByteArray& header) const;
    bool isEncrypted(qsizetype entry) const;

    QList<RarFixtureEntry> m_entries;
    RarFixtureOptions m_options;
    std::optional<Rar5Cipher> m_cipher;
    QList<QByteArray> m_ivs; // per entry, when encrypted
    QList<QByteArray> m_packed; // per entry: the data, encrypted when it has an IV
};
