#pragma once

#include "Archive/SevenZip/SevenZipAddPlan.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Creates one 7z archive with 7zz, synchronously on the calling thread.
//
// Configure, then open() (the checks that can be made up front), then
// write(). The archive is built under a temporary name in its folder and only
// replaces the file at the archive path, which may be an empty file reserved
// by the caller, once complete; on failure nothing is left behind but that
// reserved file.
class SevenZipWriter
{
public:
    // 7-Zip's compression methods, under the numbers the archivers pass.
    enum class Method
    {
        lzma = 0,
        lzma2 = 1,
    };

    explicit SevenZipWriter(const QString& archivePath);

    // Asked once, at the start of write(), when content encryption is on. An
    // empty answer leaves the archive unencrypted.
    void setPasswordGetter(std::function<QString()> getter) { m_passwordGetter = std::move(getter); }
    // Stores the file, folder (recursively) or symbolic link (as a link) at
    // `path` as `pathInArchive`: a relative path without ".." components.
    // Inputs may share a name; all of them are stored under it.
    void addPath(const QString& path, const QString& pathInArchive);

    void setMethod(Method method) { m_method = method; }
    void setSolid(bool solid) { m_solid = solid; }
    // 0 (fastest) to 9 (smallest).
    void setCompressionLevel(int level) { m_compressionLevel = level; }
    void setEncodeContent(bool encode) { m_encodeContent = encode; }
    // Encrypts the names too; only with a password.
    void setEncodeHeader(bool encode) { m_encodeHeader = encode; }
    void setCompressHeader(bool compress) { m_compressHeader = compress; }
    // 7-Zip always compresses a compressed header fully; false changes nothing.
    void setCompressHeaderFull(bool full) { m_compressHeaderFull = full; }
    void setWriteModificationTime(bool write) { m_writeModificationTime = write; }
    void setWriteCreationTime(bool write) { m_writeCreationTime = write; }
    void setWriteAccessTime(bool write) { m_writeAccessTime = write; }

    // Gets the fraction done (0 to 1) on the calling thread.
    void setProgressHandler(std::function<void(float)> handler) { m_progressHandler = std::move(handler); }
    // False stops write() as soon as possible; it then returns false.
    void setCanContinue(std::function<bool()> canContinue) { m_canContinue = std::move(canContinue); }

    // True when 7zz is installed, there are inputs, each exists and has a
    // usable name, the archive's folder is writable and the archive path is
    // free or holds an empty file.
    bool open();
    // Writes the archive; true only when it is complete at the archive path.
    bool write();

    // Why open() or write() failed, for logs.
    QString errorString() const { return m_error; }

private:
    bool checkInputs();
    bool checkArchivePath();
    bool fail(const QString& error);
    QString scratchArchivePath() const;
    bool runSteps(const QString& scratch, const QString& password);
    bool runAdd(const QString& scratch, const QStringList& paths, const QString& password, float start,
                float share);
    bool runRename(const QString& scratch, const QList<SevenZipAddPlan::Rename>& renames,
                   const QString& password);
    bool runSevenZip(const QStringList& arguments, const QString& password,
                     const std::function<void(float)>& progress);
    static QString dictionarySwitch(int level);
    QStringList methodSwitches(bool encrypt) const;
    QStringList exclusionSwitches(const QString& input, const QString& scratch) const;
    bool replaceArchive(const QString& scratch);
    void reportProgress(float fraction);

    QString m_archivePath;
    QList<SevenZipAddPlan::Input> m_inputs;
    std::function<QString()> m_passwordGetter;
    std::function<void(float)> m_progressHandler;
    std::function<bool()> m_canContinue;
    Method m_method = Method::lzma2;
    bool m_solid = true;
    int m_compressionLevel = 5;
    bool m_encodeContent = false;
    bool m_encodeHeader = false;
    bool m_compressHeader = true;
    bool m_compressHeaderFull = true;
    bool m_writeModificationTime = true;
    bool m_writeCreationTime = false;
    bool m_writeAccessTime = false;
    bool m_opened = false;
    float m_lastProgress = -1;
    QString m_error;
};
