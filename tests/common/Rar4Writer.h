#pragma once

#include "Rar4Cipher.h"
#include "RarFixture.h"
#include "RarVolumeWriter.h"

#include <QRandomGenerator>

#include <optional>

// RAR 2.9 archives as RARLAB's technote.txt lays out the "RAR 1.5-4.x"
// format: marker block, archive header (MAIN_HEAD 0x73), a file header
// (FILE_HEAD 0x74) before each entry's data or volume slice, end of archive
// (ENDARC_HEAD 0x7B). Flag and field names follow technote.txt; what it leaves
// open (split-file CRCs, packed Unicode names, header encryption) follows what
// unrar, unar and libarchive read. Host OS is Win32 and paths use backslashes,
// as WinRAR writes them.
class Rar4Writer : public RarVolumeWriter
{
public:
    Rar4Writer(const QList<RarFixtureEntry>& entries, const RarFixtureOptions& options);

private:
    QByteArray volumeStart(int index, bool isVolumeSet) const override;
    QByteArray fileHeader(const RarPart& part) const override;
    QByteArray volumeEnd(bool isVolumeSet, bool isLast) const override;
    QByteArray seal(const QByteArray& block) const;

    QList<RarFixtureEntry> m_entries;
    RarFixtureOptions m_options;
    mutable QRandomGenerator m_random { 2026 };
    QList<QByteArray> m_salts; // per entry, when its data is encrypted
    QByteArray m_headerSalt;
    std::optional<Rar4Cipher> m_headerCipher;
};
