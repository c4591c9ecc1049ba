#pragma once

#include "Archive/Rar/RarOutcome.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class PtyChild;
class RarProgressMeter;
class UnarOutputParser;

// Extracts a RAR archive with unar into an empty folder. unar runs on a
// pseudo-terminal, the only place it reads a password from; the password is
// typed there when unar asks for it, so it never appears on unar's command
// line or in its environment. unar renames dangerous names itself ("..")
// but creates links as stored: the folder is a staging area, never the
// extraction folder. Any entry that fails makes the whole run fail: unar
// leaves failed files behind as empty files.
class UnarExtractor
{
public:
    // `expectedEntries`: how many entries the catalogue lists, 0 when unknown.
    UnarExtractor(RarProgressMeter& meter, qsizetype expectedEntries);

    // Absolute path of unar; empty when it is not installed.
    static QString program();

    // Called with unar's process id while it waits at its password prompt.
    void setPromptObserver(std::function<void(qint64)> observer);

    RarOutcome extract(const QString& archivePath, const QString& folder,
                       const std::optional<QString>& password);

private:
    RarOutcome converse(PtyChild& child, UnarOutputParser& parser, const std::optional<QByteArray>& password);
    std::optional<RarOutcome> answerPrompts(PtyChild& child, UnarOutputParser& parser,
                                            const std::optional<QByteArray>& password);
    RarOutcome judge(int exitCode, const UnarOutputParser& parser, bool withPassword) const;

    RarProgressMeter& m_meter;
    qsizetype m_expectedEntries;
    std::function<void(qint64)> m_promptObserver;
    bool m_answered = false;
};
