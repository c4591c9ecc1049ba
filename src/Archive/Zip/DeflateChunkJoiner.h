#pragma once

#include <QByteArray>

// Lets raw deflate streams compressed apart be concatenated into one.
//
// Every stream a whole-buffer compressor makes ends with a block marked
// final, where readers stop. For every chunk but the last, that mark is
// cleared and an empty stored block appended, which also brings the stream to
// a byte boundary; the chunks then join into one valid stream.
class DeflateChunkJoiner
{
public:
    // False (and `chunk` unusable) when it is no complete raw deflate stream.
    static bool makeJoinable(QByteArray& chunk);
};
