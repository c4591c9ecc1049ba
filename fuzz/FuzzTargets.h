#pragma once

#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

// The bodies of the fuzz targets, shared by the libFuzzer executables and by
// the regression test that replays saved inputs in the normal build. Each
// feeds one input to a piece that reads archive-controlled data and returns
// the invariant it broke, or an empty text. Memory faults are left to the
// sanitizers.

QString fuzzSevenZipListing(const uint8_t* data, size_t size);
QString fuzzSevenZipProgress(const uint8_t* data, size_t size);
// The input is a RAR archive whose headers are walked, nothing extracted.
QString fuzzRarCatalog(const uint8_t* data, size_t size);
// The input is an entry name, then optionally a NUL and a link target.
QString fuzzEntryPathSanitizer(const uint8_t* data, size_t size);
// The first byte picks the user's locale; the rest are raw names, one a line.
QString fuzzLegacyNameDecoder(const uint8_t* data, size_t size);
// The input is a zip archive, extracted into a fresh folder.
QString fuzzZipExtraction(const uint8_t* data, size_t size);
QString fuzzZipReader(const uint8_t* data, size_t size);
// The input is a RAR archive, extracted into a fresh folder unless encrypted.
QString fuzzRarExtraction(const uint8_t* data, size_t size);

struct FuzzTarget
{
    // Also the folder name under fuzz/corpus/ and fuzz/regressions/.
    QString name;
    QString (*run)(const uint8_t* data, size_t size);
};

QList<FuzzTarget> fuzzTargets();
