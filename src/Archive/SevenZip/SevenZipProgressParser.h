#pragma once

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QStringList>

class QByteArrayView;

// Reads what 7zz writes to its progress stream (-bsp2): each update is a
// piece of text such as " 42% 3 + name" followed by backspaces, which erase
// it on a terminal. Bytes may arrive in chunks split anywhere.
class SevenZipProgressParser
{
public:
    SevenZipProgressParser();

    // The fractions done (0 to 1) of the updates this chunk completes, in order.
    QList<float> feed(QByteArrayView bytes);
    // Takes an update the stream ended on without backspaces.
    QList<float> finish();

    // Whole lines that were not progress, such as "ERROR: ... : name".
    const QStringList& messages() const { return m_messages; }

private:
    void takePiece(bool endsLine, QList<float>& fractions);

    QRegularExpression m_update;
    QByteArray m_piece;
    QStringList m_messages;
};
