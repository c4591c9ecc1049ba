#include "Archive/Rar/Decrypt/RarDecryptSession.h"

#include "Archive/Rar/Decrypt/RarAesCbc.h"
#include "Archive/Rar/Decrypt/RarCrc32.h"
#include "Archive/Rar/RarArchive.h"

#include <QFile>

#include <algorithm>

namespace {

// A multiple of the AES block size, so chunks decrypt independently of each other.
constexpr qint64 chunkSize = 64 * 1024;
static_assert(chunkSize % RarAesCbc::blockSize == 0);

} // namespace

RarDecryptSession::RarDecryptSession(QFile& input, QFile& output, std::function<bool()> canContinue)
    : m_input(input)
    , m_output(output)
    , m_canContinue(std::move(canContinue))
{
}

bool RarDecryptSession::read(qint64 size, QByteArray* data)
{
    if (stopped())
        return false;
    if (size < 0 || size > remaining())
        return fail(RarArchive::badArchive);
    data->resize(size);
    const qint64 count = m_input.read(data->data(), size);
    if (count < 0)
        return fail(RarArchive::readFailed);
    return count == size || fail(RarArchive::badArchive);
}

bool RarDecryptSession::atEnd() const
{
    return m_input.pos() >= m_input.size();
}

qint64 RarDecryptSession::remaining() const
{
    return m_input.size() - m_input.pos();
}

bool RarDecryptSession::skip(qint64 size)
{
    if (stopped())
        return false;
    if (size < 0 || size > remaining())
        return fail(RarArchive::badArchive);
    return m_input.seek(m_input.pos() + size) || fail(RarArchive::readFailed);
}

bool RarDecryptSession::peek(qint64 offset, qint64 size, QByteArray* data)
{
    if (stopped())
        return false;
    const qint64 position = m_input.pos();
    if (offset < 0 || offset > remaining())
        return fail(RarArchive::badArchive);
    if (!m_input.seek(position + offset))
        return fail(RarArchive::readFailed);
    const bool done = read(size, data);
    return (m_input.seek(position) || fail(RarArchive::readFailed)) && done;
}

bool RarDecryptSession::write(QByteArrayView data)
{
    if (stopped())
        return false;
    return m_output.write(data.data(), data.size()) == data.size() || fail(RarArchive::writeFailed);
}

qint64 RarDecryptSession::outputPosition() const
{
    return m_output.pos();
}

bool RarDecryptSession::rewrite(qint64 position, QByteArrayView data)
{
    if (stopped())
        return false;
    const qint64 end = m_output.pos();
    if (!m_output.seek(position) || !write(data))
        return fail(RarArchive::writeFailed);
    return m_output.seek(end) || fail(RarArchive::writeFailed);
}

bool RarDecryptSession::copy(qint64 size)
{
    QByteArray chunk;
    for (qint64 done = 0; done < size; done += chunk.size()) {
        if (!keepGoing() || !read(std::min(chunkSize, size - done), &chunk) || !write(chunk))
            return false;
    }
    return !stopped();
}

bool RarDecryptSession::decrypt(RarAesCbc& cipher, qint64 size, qint64 keep, quint32* crc)
{
    Q_ASSERT(size % RarAesCbc::blockSize == 0 && keep <= size);
    if (crc)
        *crc = 0;
    QByteArray chunk;
    for (qint64 done = 0; done < size; done += chunk.size()) {
        if (!keepGoing() || !read(std::min(chunkSize, size - done), &chunk))
            return false;
        cipher.decrypt(chunk.data(), chunk.size());
        const QByteArrayView kept
            = QByteArrayView(chunk).first(std::clamp(keep - done, qint64(0), qint64(chunk.size())));
        if (crc)
            *crc = RarCrc32::update(*crc, kept);
        if (!write(kept))
            return false;
    }
    return !stopped();
}

bool RarDecryptSession::keepGoing()
{
    if (stopped())
        return false;
    if (m_canContinue && !m_canContinue())
        m_cancelled = true;
    return !m_cancelled;
}

bool RarDecryptSession::fail(int errorCode)
{
    if (!stopped())
        m_errorCode = errorCode;
    return false;
}
