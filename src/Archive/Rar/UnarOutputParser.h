#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Follows what unar prints on its terminal: one line per entry ending in
// "OK." or "Failed! (reason)", whole-archive failures, and questions it waits
// on, its password prompt among them. Fed in pieces as they arrive.
class UnarOutputParser
{
public:
    void feed(QByteArrayView bytes);

    // Password prompts seen since the last call.
    int takePasswordPrompts();
    // unar waits for an answer to something other than a password (which
    // file to keep, for instance).
    bool isAskingQuestion() const;

    int finishedEntries() const { return m_succeeded + m_failed; }
    int failedEntries() const { return m_failed; }
    // The first reason unar gave for an entry or for the whole archive.
    QByteArray firstFailure() const { return m_firstFailure; }
    bool archiveFailed() const { return m_archiveFailed; }

private:
    void parseLine(QByteArrayView line);
    void noteFailure(QByteArrayView reason);
    void checkPendingPrompt();

    QByteArray m_pending;
    int m_prompts = 0;
    int m_succeeded = 0;
    int m_failed = 0;
    bool m_archiveFailed = false;
    QByteArray m_firstFailure;
};
