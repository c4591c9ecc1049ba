#pragma once

#include "Archive/SevenZip/SevenZipItem.h"

#include <QList>
#include <QString>

#include <functional>

class SevenZipProcess;

// Lists and extracts one 7z archive with 7zz, synchronously on the calling
// thread.
//
// Extraction never writes outside the chosen folder and never replaces what
// is there: 7zz rewrites names that climb out ("../x" -> "x", "/tmp/x" ->
// "tmp/x") and refuses links that point out or through other links, and any
// link that still leads outside the folder afterwards is removed and fails
// the extraction.
class SevenZipReader
{
public:
    using ItemHandler = std::function<bool(const SevenZipItem* item, const QString* error)>;

    explicit SevenZipReader(const QString& archivePath);

    // Called on the calling thread each time 7zz prompts: when listing an
    // archive with encrypted names, and when extracting encrypted content.
    // An empty answer is still given; 7zz then fails.
    void setPasswordGetter(std::function<QString()> getter) { m_passwordGetter = std::move(getter); }
    // Gets the fraction extracted (0 to 1) on the calling thread.
    void setProgressHandler(std::function<void(float)> handler) { m_progressHandler = std::move(handler); }
    // False stops open() or extract() at once; they then return false.
    void setCanContinue(std::function<bool()> canContinue) { m_canContinue = std::move(canContinue); }

    // Lists the archive. False when 7zz cannot open it: not a 7z archive,
    // truncated, damaged, or a wrong password for its names. An archive
    // without entries opens with no items.
    bool open();

    // Hands each listed item to `handler`, in order, until it answers false.
    // `error` is non-null on the last call when 7zz reported a problem while
    // listing.
    void iterate(const ItemHandler& handler) const;

    // Extracts `items` (from this reader's listing; a folder brings its
    // contents) into `toPath`, an empty folder or a new one in an existing
    // folder: with the stored folders when `withFullPaths`, else all side by
    // side (the first of equal names wins). True only when 7zz succeeded and
    // no link leads outside `toPath`. On failure `toPath` may hold partial
    // output for the caller to delete.
    bool extract(const QList<SevenZipItem>& items, const QString& toPath, bool withFullPaths);

    const QList<SevenZipItem>& items() const { return m_items; }
    // Why open() or extract() failed, for logs.
    QString errorString() const { return m_error; }

private:
    void configure(SevenZipProcess& process) const;
    bool prepareFolder(const QString& toPath);
    bool selectsAll(const QList<SevenZipItem>& items) const;
    bool fail(const QString& error);
    bool failRun(const SevenZipProcess& process);

    QString m_archivePath;
    std::function<QString()> m_passwordGetter;
    std::function<void(float)> m_progressHandler;
    std::function<bool()> m_canContinue;
    QList<SevenZipItem> m_items;
    QString m_listingError;
    QString m_error;
    bool m_opened = false;
};
