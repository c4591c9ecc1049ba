#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

class QFile;
class RarAesCbc;

// What the RAR4 and RAR5 rewriters share: reading the encrypted archive,
// writing the plain one, streaming data areas through in bounded chunks, and
// the first error (a RarArchive::ErrorCode) or cancellation that stops them.
// Every call after a failure fails too, so callers can simply return false.
class RarDecryptSession
{
public:
    RarDecryptSession(QFile& input, QFile& output, std::function<bool()> canContinue);

    // Exactly `size` bytes; an archive that ends sooner is damaged.
    bool read(qint64 size, QByteArray* data);
    bool atEnd() const;
    qint64 remaining() const;
    bool skip(qint64 size);
    // Reads `size` bytes `offset` bytes ahead, leaving the position where it is.
    bool peek(qint64 offset, qint64 size, QByteArray* data);

    bool write(QByteArrayView data);
    qint64 outputPosition() const;
    // Replaces bytes already written, then carries on at the end.
    bool rewrite(qint64 position, QByteArrayView data);

    // Data areas: `copy` passes them through as they are. `decrypt` reads
    // `size` encrypted bytes, writes the first `keep` of the plain text, and
    // when `crc` is given leaves the CRC-32 of what it wrote there.
    bool copy(qint64 size);
    bool decrypt(RarAesCbc& cipher, qint64 size, qint64 keep, quint32* crc);

    // Asks the caller whether to go on; records a cancellation when not.
    bool keepGoing();
    // Records `errorCode` unless something stopped the session already; false.
    bool fail(int errorCode);

    bool cancelled() const { return m_cancelled; }
    int errorCode() const { return m_errorCode; }

private:
    bool stopped() const { return m_cancelled || m_errorCode != 0; }

    QFile& m_input;
    QFile& m_output;
    std::function<bool()> m_canContinue;
    bool m_cancelled = false;
    int m_errorCode = 0;
};
