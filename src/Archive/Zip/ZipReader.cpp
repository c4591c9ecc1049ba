#include "Archive/Zip/ZipReader.h"

#include <QFile>

#include <archive.h>

namespace {

constexpr size_t kBlockSize = 64 * 1024;

} // namespace

ZipReader::ZipReader()
    : m_archive(archive_read_new())
{
}

ZipReader::~ZipReader()
{
    archive_read_free(m_archive);
}

bool ZipReader::open(const QString& archivePath, const std::optional<QString>& password)
{
    if (!m_archive || archive_read_support_format_zip_seekable(m_archive) != ARCHIVE_OK)
        return false;
    if (password && !password->isEmpty()
        && archive_read_add_passphrase(m_archive, password->toUtf8().constData()) != ARCHIVE_OK)
        return false;
    return archive_read_open_filename(m_archive, QFile::encodeName(archivePath).constData(), kBlockSize)
        == ARCHIVE_OK;
}

QByteArray ZipReader::errorString() const
{
    const char* text = m_archive ? archive_error_string(m_archive) : nullptr;
    return text ? QByteArray(text) : QByteArray();
}
