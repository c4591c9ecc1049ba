#pragma once

#include "Archive/Run/ExtractionHandle.h"
#include "Archive/SevenZip/SevenZipItem.h"

#include <QList>

#include <memory>

class SevenZipReader;

// A 7z archive to extract with 7zz. 7-Zip asks for the password itself,
// whenever it meets encrypted names or content: the question goes to the
// user while 7zz waits. The password that opened the names is given again
// for the content, without asking twice.
class SevenZipHandle : public ExtractionHandle
{
public:
    SevenZipHandle();
    ~SevenZipHandle() override;

    // badArchive when 7zz cannot list the archive.
    ArchiveErrorType open(const QString& archivePath, const ExtractionContext& context) override;
    bool isProtected() const override { return false; }
    void setPassword(const QString&) override { }
    bool isEmpty() const override { return m_items.isEmpty(); }
    // passwordEmpty when the user confirmed an empty password, else
    // decompressUnknown: 7zz does not tell a wrong password apart.
    ArchiveErrorType extract(const QString& folder, const ExtractionContext& context) override;
    bool folderMayGoAtCancel() const override { return false; }

private:
    QString nextPassword(const ExtractionContext& context);

    std::unique_ptr<SevenZipReader> m_reader;
    QList<SevenZipItem> m_items;
    std::optional<QString> m_accepted;
    std::optional<QString> m_lastAnswer;
    bool m_answeredEmpty = false;
};
