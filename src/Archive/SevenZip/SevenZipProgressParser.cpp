#include "Archive/SevenZip/SevenZipProgressParser.h"

#include <QByteArrayView>

#include <algorithm>

using namespace Qt::StringLiterals;

SevenZipProgressParser::SevenZipProgressParser()
    : m_update(u"^\\s*(\\d+)%(?:\\s+(\\d+))?(?:\\s+([+\\-T U=])\\s+(.*))?$"_s)
{
}

QList<float> SevenZipProgressParser::feed(QByteArrayView bytes)
{
    QList<float> fractions;
    for (const char byte : bytes) {
        if (byte == '\b')
            takePiece(false, fractions);
        else if (byte == '\n' || byte == '\r')
            takePiece(true, fractions);
        else
            m_piece.append(byte);
    }
    return fractions;
}

QList<float> SevenZipProgressParser::finish()
{
    QList<float> fractions;
    takePiece(true, fractions);
    return fractions;
}

void SevenZipProgressParser::takePiece(bool endsLine, QList<float>& fractions)
{
    if (m_piece.isEmpty())
        return;
    // Decoded only now, whole, so a name split between chunks stays intact.
    const QString text = QString::fromUtf8(m_piece);
    m_piece.clear();
    if (text.trimmed().isEmpty())
        return;
    const QRegularExpressionMatch match = m_update.match(text);
    if (match.hasMatch())
        fractions.append(float(std::min(match.captured(1).toInt(), 100)) / 100.0F);
    // Pieces that end in backspaces were status text meant to be erased.
    else if (endsLine)
        m_messages.append(text.trimmed());
}
