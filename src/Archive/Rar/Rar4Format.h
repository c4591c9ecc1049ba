#pragma once

#include <QtGlobal>

// The block layout of RAR 1.5 to 4.x archives, as the catalogue and the
// decryptor both read it.
namespace Rar4Format {

constexpr qsizetype baseSize = 7; // HEAD_CRC, HEAD_TYPE, HEAD_FLAGS, HEAD_SIZE
constexpr qsizetype fileFieldsEnd = 32; // up to and including ATTR

constexpr quint8 archiveBlock = 0x73;
constexpr quint8 fileBlock = 0x74;
constexpr quint8 firstOldStyleBlock = 0x75; // to 0x79: checksums cover only part of them
constexpr quint8 lastOldStyleBlock = 0x79;
constexpr quint8 serviceBlock = 0x7a;
constexpr quint8 endBlock = 0x7b;

constexpr quint16 mhdVolume = 0x0001;
constexpr quint16 mhdSolid = 0x0008;
constexpr quint16 mhdPassword = 0x0080;

constexpr quint16 lhdSplitBefore = 0x0001;
constexpr quint16 lhdSplitAfter = 0x0002;
constexpr quint16 lhdPassword = 0x0004;
constexpr quint16 lhdWindowMask = 0x00e0; // all bits set: a directory
constexpr quint16 lhdLarge = 0x0100;
constexpr quint16 lhdUnicode = 0x0200;
constexpr quint16 lhdSalt = 0x0400;
constexpr quint16 longBlock = 0x8000; // a data area of ADD_SIZE bytes follows

constexpr quint16 earcNextVolume = 0x0001;

} // namespace Rar4Format
