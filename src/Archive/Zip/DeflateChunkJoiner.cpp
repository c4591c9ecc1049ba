#include "Archive/Zip/DeflateChunkJoiner.h"

#include <QScopeGuard>

#include <array>

#include <zlib.h>

namespace {

constexpr int kRawDeflate = -15;
constexpr int kBlockBoundary = 128;
constexpr int kInLastBlock = 64;
constexpr int kPendingBits = 63;
// A stored block's header after the last block; its length and complement
// follow at the next byte boundary.
constexpr char kEmptyStoredBlock[] = { 0, 0, char(0xFF), char(0xFF) };
constexpr int kStoredHeaderBits = 3;

} // namespace

bool DeflateChunkJoiner::makeJoinable(QByteArray& chunk)
{
    z_stream stream = {};
    if (inflateInit2(&stream, kRawDeflate) != Z_OK)
        return false;
    const auto end = qScopeGuard([&stream] { inflateEnd(&stream); });
    auto* data = reinterpret_cast<Bytef*>(chunk.data());
    stream.next_in = data;
    stream.avail_in = uInt(chunk.size());
    std::array<Bytef, 64 * 1024> sink;
    // Where the header bit saying "final" of the block being decoded is.
    qsizetype headerByte = 0;
    uchar headerMask = 1;
    for (;;) {
        stream.next_out = sink.data();
        stream.avail_out = uInt(sink.size());
        // Z_BLOCK returns at every block boundary.
        const int result = inflate(&stream, Z_BLOCK);
        if (result != Z_OK)
            return false;
        if ((stream.data_type & kBlockBoundary) == 0)
            continue;
        const int pending = stream.data_type & kPendingBits;
        const qsizetype consumed = (stream.next_in - data) - pending / 8;
        const int unusedBits = pending % 8;
        if (stream.data_type & kInLastBlock) {
            data[headerByte] &= uchar(~headerMask);
            chunk.truncate(consumed);
            if (unusedBits < kStoredHeaderBits)
                chunk.append('\0');
            chunk.append(kEmptyStoredBlock, sizeof(kEmptyStoredBlock));
            return true;
        }
        if (unusedBits != 0) {
            headerByte = consumed - 1;
            headerMask = uchar(0x100 >> unusedBits);
        } else {
            headerByte = consumed;
            headerMask = 1;
        }
        if (headerByte >= chunk.size())
            return false;
    }
}
